// Rebuilding past points: a stretch's snapshot is re-executed on a machine of its own, whose host plays
// the recorded inputs back, so the run goes exactly as it went.
#include <algorithm>

#include "core/history.h"
#include "core/history_records.h"
#include "core/null_host.h"

namespace qx9 {

using namespace history_records;

namespace {
constexpr int64_t kPressTimeUs = 1000;

// A word entry a box typed with five to eight digits holds more than 16 bits; only a box can give
// it back, so the replay shows such words as eight digits for the one instruction that reads them.
bool HoldsWideWord(const MachineState& s) {
  return std::any_of(s.Ram.begin(), s.Ram.end(), [](int32_t w) { return w != WrapWord(w); });
}

int16_t Value(const MachineState& s, const HistoryTarget& t) {
  if (t.IsImage) return s.Eeprom[static_cast<size_t>(t.Entry)];
  const auto pattern = static_cast<uint32_t>(s.Ram[static_cast<size_t>(t.Field.Index)]) & 0xFFFFu;
  return WrapWord(static_cast<int32_t>((pattern >> t.Field.Shift) & static_cast<uint32_t>(t.Field.Mask)));
}

int Address(const MachineState& s) { return s.TokByte * 8 + 7 - s.TokBit; }
}  // namespace

// Re-executes one stretch, an instruction at a time: Prepare puts the state before the next
// instruction in place, Execute runs it.
class History::Replayer final : public NullHost {
 public:
  explicit Replayer(const Stretch& s) : s_(s) {}

  Machine& machine() { return m_; }
  uint64_t Next() const { return s_.First + index_; }
  const std::string& Pwm() const { return pwm_; }
  // Whether the instruction executed last ran from a press (the timer was off) rather than a tick.
  bool Pressed() const { return pressed_; }

  void Prepare() {
    const uint8_t flags = s_.Records[at_++];
    if (index_ == 0) {
      Place(s_.Start);
      pwm_ = s_.StartPwm;
    } else if (flags & kSnapshot) {
      Place(s_.Snapshots[snapshot_++]);
    } else {
      if (flags & kReset) {
        m_.RestartPending = false;
        m_.ResetMachine();
      }
      if (flags & kTargetCleared) m_.StepOverTarget = 0;
      if (flags & kTimeFollows) pace_ = TakeVarint(s_.Records, at_);
      m_.SimTimeUs += pace_;
      if (flags & kWaitFollows) m_.WaitMs = static_cast<int32_t>(TakeVarint(s_.Records, at_));
    }
    m_.StepOverArmed = (flags & kArmed) != 0;
    timer_ = (flags & kTimerOn) != 0;
    pressed_ = !timer_;
    m_.InstructionsExecuted = s_.First + index_ - 1;
  }

  void Execute() {
    m_.ExecuteNext();
    wide_ = false;
    ++index_;
  }

  // --- the host: recorded inputs back, everything else swallowed ---
  bool TimerEnabled() const override { return timer_; }
  void SetTimerEnabled(bool enabled) override { timer_ = enabled; }
  Boxes WordBoxes() const override { return wide_ ? Boxes::MayBeEdited : Boxes::NoPanel; }
  std::string WordBoxText(int index) const override {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto word = static_cast<uint32_t>(m_.Ram[static_cast<size_t>(index)]);
    std::string text(8, '0');
    for (int i = 0; i < 8; ++i) text[static_cast<size_t>(i)] = kDigits[(word >> (28 - 4 * i)) & 0xFu];
    return text;
  }
  std::string PotText() const override { return Box(Input::PotBox, pot_); }
  std::string PulsInText() const override { return Box(Input::PulsInBox, pulsIn_); }
  std::optional<std::string> Prompt(const std::string&) override { return Typed(Input::PromptAnswer); }
  void SetLastPWM(const std::string& text) override { pwm_ = text; }

 private:
  void Place(const MachineState& state) {
    static_cast<MachineState&>(m_) = state;
    m_.Busy = false;
    m_.ListOnly = false;
    m_.RefreshPanel();  // what untouched boxes would give back is this state's words
    wide_ = HoldsWideWord(state);
  }

  // A box's text: blank when this instruction's next input is a prompt's answer (a blank box asks);
  // else the text written for this instruction, or the one written last.
  std::string Box(Input kind, std::string& current) const {
    if (input_ < s_.Inputs.size() && s_.Inputs[input_].Offset == index_) {
      if (s_.Inputs[input_].Kind == Input::PromptAnswer) return {};
      if (s_.Inputs[input_].Kind == kind) current = s_.Inputs[input_++].Text.value_or("");
    }
    return current;
  }

  // The next recorded input of this instruction when it is of the kind asked for; nullopt otherwise
  // (a cancelled prompt).
  std::optional<std::string> Typed(Input kind) const {
    if (input_ < s_.Inputs.size() && s_.Inputs[input_].Offset == index_ && s_.Inputs[input_].Kind == kind) {
      return s_.Inputs[input_++].Text;
    }
    return std::nullopt;
  }

  const Stretch& s_;
  Machine m_{*this};
  uint32_t index_ = 0;
  size_t at_ = 0;
  size_t snapshot_ = 0;
  mutable size_t input_ = 0;
  mutable std::string pot_;  // the boxes' texts as last written
  mutable std::string pulsIn_;
  int64_t pace_ = kPlainTimeUs;  // the time between instructions, until a record says otherwise
  bool timer_ = false;
  bool pressed_ = false;
  bool wide_ = false;
  std::string pwm_;
};

uint64_t History::GoTo(uint64_t point) {
  // Not in the middle of a cycle (a listener's callback): the cycle would go on with a replaced state.
  if (machine_ == nullptr || machine_->Busy) return CurrentPoint();
  point = std::clamp(point, FirstPoint(), last_);
  MachineState state;
  SettlePwm();
  if (point == FirstPoint()) {
    state = stretches_.empty() ? originState_ : stretches_.front().Start;
    lastPwm_ = stretches_.empty() ? originPwm_ : stretches_.front().StartPwm;
  } else {
    const Stretch& s = stretches_[StretchOf(point)];
    Replayer replay(s);
    while (replay.Next() <= point) {
      replay.Prepare();
      replay.Execute();
    }
    state = replay.machine();
    lastPwm_ = replay.Pwm();
    // The clock at rest after the instruction: a press counts its millisecond once the instruction is
    // done, a tick before it, so a run resumed from here keeps the time the first one had.
    if (replay.Pressed()) state.SimTimeUs += kPressTimeUs;
  }
  Machine& m = *machine_;
  static_cast<MachineState&>(m) = state;
  m.Busy = false;
  m.ListOnly = false;
  m.InstructionsExecuted = point;
  m.RefreshPanel();  // first, so the peek below reads these words back from the boxes
  m.InstrText = m.PeekNext().Text;
  m.OperandText.clear();
  m.host().ShowState(m.InstrText);
  replaced_ = true;  // whatever runs next starts from a replaced state
  return point;
}

uint64_t History::RunBackTo(const std::function<bool(const MachineState&)>& holds) {
  const uint64_t from = CurrentPoint();
  const uint64_t first = FirstPoint();
  if (from > first) {
    for (size_t j = StretchOf(from - 1) + 1; j-- > 0;) {
      const Stretch& s = stretches_[j];
      Replayer replay(s);
      std::optional<uint64_t> found;
      while (replay.Next() < from && replay.Next() < s.First + s.Count) {
        replay.Prepare();
        replay.Execute();
        if (holds(replay.machine())) found = replay.Next() - 1;
      }
      if (found) return GoTo(*found);
    }
  }
  return GoTo(first);
}

std::optional<History::Write> History::WhoWrote(const HistoryTarget& target) {
  const uint64_t at = CurrentPoint();
  if (at == FirstPoint()) return std::nullopt;
  for (size_t j = StretchOf(at) + 1; j-- > 0;) {
    const Stretch& s = stretches_[j];
    Replayer replay(s);
    std::optional<Write> found;
    while (replay.Next() <= at && replay.Next() < s.First + s.Count) {
      replay.Prepare();
      const int16_t before = Value(replay.machine(), target);
      const Write here{replay.Next(), Address(replay.machine())};
      replay.Execute();
      if (Value(replay.machine(), target) != before) found = here;
    }
    if (found) return found;
  }
  return std::nullopt;
}

}  // namespace qx9
