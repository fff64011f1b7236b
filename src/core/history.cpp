// Recording the history: one record per executed instruction, a snapshot per stretch, and the cutting
// of the future and of the oldest past.
#include "core/history.h"

#include <algorithm>
#include <cstring>

#include "core/history_records.h"

namespace qx9 {

using namespace history_records;

History::History(uint64_t interval, uint64_t window)
    : interval_(std::max<uint64_t>(interval, 1)), window_(std::max<uint64_t>(window, 1)) {}

void History::Attach(Machine& machine, const std::string& lastPwm) {
  Detach();
  machine_ = &machine;
  machine.AddListener(*this);
  Restart(lastPwm);
}

void History::Detach() {
  if (machine_ != nullptr) machine_->RemoveListener(*this);
  machine_ = nullptr;
}

void History::Restart(const std::string& lastPwm) {
  stretches_.clear();
  open_ = nullptr;
  pwmPending_ = false;
  lastPwm_ = lastPwm;
  livePwm_ = lastPwm;
  originPwm_ = lastPwm;
  if (machine_ == nullptr) return;
  originState_ = *machine_;
  origin_ = machine_->InstructionsExecuted;
  last_ = origin_;
  replaced_ = true;  // the first record measures against nothing
}

uint64_t History::FirstPoint() const { return stretches_.empty() ? origin_ : stretches_.front().First - 1; }

uint64_t History::CurrentPoint() const {
  const uint64_t at = machine_ == nullptr ? last_ : machine_->InstructionsExecuted;
  return std::clamp(at, FirstPoint(), last_);
}

// Compared as whole 64-bit words, without a call: this runs before every instruction.
bool History::MovedSinceAfter(const Machine& m) const {
  static_assert(sizeof(afterRam_) == 32 && sizeof(afterSwitches_) == 8);
  const auto word = [](const void* bytes, size_t at) {
    uint64_t w;
    std::memcpy(&w, static_cast<const char*>(bytes) + at, sizeof(w));
    return w;
  };
  const uint64_t differ =
      (word(m.Ram.data(), 0) ^ word(afterRam_.data(), 0)) | (word(m.Ram.data(), 8) ^ word(afterRam_.data(), 8)) |
      (word(m.Ram.data(), 16) ^ word(afterRam_.data(), 16)) | (word(m.Ram.data(), 24) ^ word(afterRam_.data(), 24)) |
      (word(m.SwitchUp.data(), 0) ^ word(afterSwitches_.data(), 0));
  return differ != 0 || m.TokByte != afterTokByte_ || m.TokBit != afterTokBit_ || m.GosubDepth != afterDepth_ ||
         (m.StepOverTarget != afterTarget_ && m.StepOverTarget != 0);
}

// Nearly every instruction follows the last one with nothing changed between them but the usual time:
// its record is the flags byte alone. Everything else takes the general path below.
void History::BeforeInstruction(const Machine& m) {
  const uint8_t flags = (m.host().TimerEnabled() ? kTimerOn : 0) | (m.StepOverArmed ? kArmed : 0);
  Stretch* const s = open_;
  if (m.InstructionsExecuted == last_ && s != nullptr && s->Count < interval_ && !replaced_ && !afterRestart_ &&
      m.SimTimeUs - afterSimTime_ == s->Pace && m.WaitMs == afterWait_ && m.StepOverTarget == afterTarget_ &&
      !MovedSinceAfter(m)) [[likely]] {
    ++last_;
    ++s->Count;
    s->Records.push_back(flags);
    return;
  }
  Record(m, flags);
}

void History::Record(const Machine& m, uint8_t flags) {
  const uint64_t n = m.InstructionsExecuted + 1;
  if (n != last_ + 1) Rebase(m);
  last_ = n;
  if (open_ == nullptr || open_->Count >= interval_) {
    StartStretch(m, flags);
    return;
  }
  Stretch& s = *open_;
  ++s.Count;
  // Between instructions the records express the clock, the step over's flag and stop, a wait's
  // countdown and a restart's reset (the restart has already reset the machine, so the reset at the
  // next cycle repeats it); anything else that changed there (a switch, a typed word) takes a snapshot.
  if (replaced_ || MovedSinceAfter(m)) [[unlikely]] {
    TakeSnapshot(s, m, flags);
    return;
  }
  const int64_t passed = m.SimTimeUs - afterSimTime_;
  const bool newPace = passed != s.Pace;
  const bool newWait = m.WaitMs != afterWait_;
  if (m.StepOverTarget != afterTarget_) flags |= kTargetCleared;
  if (newPace) flags |= kTimeFollows;
  if (newWait) flags |= kWaitFollows;
  if (afterRestart_) flags |= kReset;
  s.Records.push_back(flags);
  if (newPace || newWait) [[unlikely]]
    PutChanges(s, newPace ? std::optional<int64_t>(passed) : std::nullopt,
               newWait ? std::optional<int32_t>(m.WaitMs) : std::nullopt);
}

// The values a record's flags say follow it.
void History::PutChanges(Stretch& s, std::optional<int64_t> pace, std::optional<int32_t> wait) {
  if (pace) {
    PutVarint(s.Records, *pace);
    s.Pace = *pace;
  }
  if (wait) PutVarint(s.Records, *wait);
}

// The rare cases are kept out of line so the path taken before nearly every instruction stays short.
void History::Rebase(const Machine& m) {
  const uint64_t n = m.InstructionsExecuted + 1;
  if (n <= last_) Truncate(n - 1);  // executing from a past point: the future goes
  if (n == last_ + 1) return;
  // The count jumped (the front end set it): what lies between is unknown, so start afresh here.
  stretches_.clear();
  open_ = nullptr;
  originState_ = m;
  SettlePwm();
  originPwm_ = livePwm_;
  origin_ = n - 1;
  last_ = n - 1;
  replaced_ = true;
}

void History::TakeSnapshot(Stretch& s, const Machine& m, uint8_t flags) {
  replaced_ = false;
  s.Records.push_back(flags | kSnapshot);
  s.Snapshots.push_back(m);
}

// The first instruction of a stretch is recorded in the snapshot the stretch starts with.
void History::StartStretch(const Machine& m, uint8_t flags) {
  if (open_ != nullptr) {
    open_->Records.shrink_to_fit();
    open_->Snapshots.shrink_to_fit();
  }
  Stretch& s = stretches_.emplace_back();
  open_ = &s;
  s.First = last_;
  s.Start = m;
  SettlePwm();
  s.StartPwm = livePwm_;
  s.Records.reserve(interval_ + 16);
  s.Records.push_back(flags);
  s.Count = 1;
  replaced_ = false;
  DropOldest();
}

void History::AfterInstruction(const Machine& m) {
  afterSimTime_ = m.SimTimeUs;
  afterTarget_ = m.StepOverTarget;
  afterWait_ = m.WaitMs;
  afterRam_ = m.Ram;
  afterSwitches_ = m.SwitchUp;
  afterRestart_ = m.RestartPending;
  afterTokByte_ = m.TokByte;
  afterTokBit_ = m.TokBit;
  afterDepth_ = m.GosubDepth;
}

void History::OnPWM(const Machine&, int pin, int duty, int) {
  pwmPin_ = static_cast<int16_t>(pin);
  pwmDuty_ = static_cast<int16_t>(duty);
  pwmPending_ = true;
}

void History::SettlePwm() const {
  if (!pwmPending_) return;
  pwmPending_ = false;
  livePwm_ = PwmText(pwmPin_, pwmDuty_);
  lastPwm_ = livePwm_;
}

void History::OnInput(const Machine&, Opcode, Input kind, const std::optional<std::string>& text) {
  if (stretches_.empty()) return;
  Stretch& s = stretches_.back();
  if (kind != Input::PromptAnswer) {
    int32_t& last = s.LastBox[kind == Input::PotBox ? 0 : 1];
    if (last >= 0 && s.Inputs[static_cast<size_t>(last)].Text == text) return;
    last = static_cast<int32_t>(s.Inputs.size());
  }
  s.Inputs.push_back({s.Count - 1, kind, text});
}

// What changed is found at the next instruction; a change at a past point cuts the future off here.
void History::OnExternalChange(const Machine& m) {
  if (m.InstructionsExecuted < last_) Truncate(m.InstructionsExecuted);
}

size_t History::StretchOf(uint64_t instruction) const {
  const auto it = std::upper_bound(stretches_.begin(), stretches_.end(), instruction,
                                   [](uint64_t k, const Stretch& s) { return k < s.First; });
  return static_cast<size_t>(it - stretches_.begin()) - 1;
}

// Keeps the points up to `point`: later stretches go, and the one holding point + 1 is cut there.
void History::Truncate(uint64_t point) {
  if (point >= last_) return;
  if (point < FirstPoint()) point = FirstPoint();
  while (!stretches_.empty() && stretches_.back().First > point) {
    if (stretches_.size() == 1) {
      originState_ = stretches_.front().Start;
      originPwm_ = stretches_.front().StartPwm;
      origin_ = stretches_.front().First - 1;
    }
    stretches_.pop_back();
  }
  RefreshOpen();
  last_ = point;
  SettlePwm();
  livePwm_ = lastPwm_;
  if (stretches_.empty()) return;
  Stretch& s = stretches_.back();
  const auto keep = static_cast<uint32_t>(point + 1 - s.First);
  size_t at = 0;
  size_t snapshots = 0;
  int64_t pace = kPlainTimeUs;
  for (uint32_t i = 0; i < keep; ++i) {
    const uint8_t flags = s.Records[at++];
    if (flags & kSnapshot) ++snapshots;
    if (i > 0 && (flags & kSnapshot) == 0) {
      if (flags & kTimeFollows) pace = TakeVarint(s.Records, at);
      if (flags & kWaitFollows) SkipVarint(s.Records, at);
    }
  }
  s.Records.resize(at);
  s.Snapshots.resize(snapshots);
  s.Pace = pace;
  std::erase_if(s.Inputs, [keep](const TypedInput& in) { return in.Offset >= keep; });
  s.LastBox = {-1, -1};
  for (size_t i = 0; i < s.Inputs.size(); ++i) {
    if (s.Inputs[i].Kind != Input::PromptAnswer)
      s.LastBox[s.Inputs[i].Kind == Input::PotBox ? 0 : 1] = static_cast<int32_t>(i);
  }
  s.Count = keep;
}

// The oldest stretches go while the rest still hold the whole window.
void History::DropOldest() {
  while (stretches_.size() > 1 && last_ + 1 - stretches_[1].First >= window_) stretches_.pop_front();
}

size_t History::MemoryBytes() const {
  size_t bytes = sizeof(*this);
  for (const Stretch& s : stretches_) {
    bytes += sizeof(Stretch) + s.Records.capacity() + s.Snapshots.capacity() * sizeof(MachineState) +
             s.Inputs.capacity() * sizeof(TypedInput);
  }
  return bytes;
}

}  // namespace qx9
