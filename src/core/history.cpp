// Recording the history: one record per executed instruction, a snapshot per stretch, and the cutting
// of the future and of the oldest past.
#include "core/history.h"

#include <algorithm>

namespace qx9 {

namespace {
// An instruction's record: one flags byte, then, when kTimeFollows is set, the simulated time that
// passed since the previous instruction ended (a zigzag varint of microseconds; 1 ms otherwise, which
// is what a press or a plain tick adds).
constexpr uint8_t kTimerOn = 1;      // the program ran freely (Pause, Nap, Sleep and Debug depend on it)
constexpr uint8_t kArmed = 2;        // StepOverArmed before the instruction
constexpr uint8_t kSnapshot = 4;     // an outside change came first: the state is the next snapshot
constexpr uint8_t kTargetCleared = 8;  // the step over's stop was reached before the instruction
constexpr uint8_t kTimeFollows = 16;
constexpr int64_t kPlainTimeUs = 1000;

void PutVarint(std::vector<uint8_t>& out, int64_t value) {
  uint64_t zigzag = (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
  while (zigzag >= 0x80) {
    out.push_back(static_cast<uint8_t>(zigzag | 0x80));
    zigzag >>= 7;
  }
  out.push_back(static_cast<uint8_t>(zigzag));
}
}  // namespace

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
  lastPwm_ = lastPwm;
  livePwm_ = lastPwm;
  originPwm_ = lastPwm;
  if (machine_ == nullptr) return;
  originState_ = *machine_;
  origin_ = machine_->InstructionsExecuted;
  last_ = origin_;
  outsideChange_ = true;  // the first record measures against nothing
}

uint64_t History::FirstPoint() const { return stretches_.empty() ? origin_ : stretches_.front().First - 1; }

uint64_t History::CurrentPoint() const {
  const uint64_t at = machine_ == nullptr ? last_ : machine_->InstructionsExecuted;
  return std::clamp(at, FirstPoint(), last_);
}

void History::BeforeInstruction(const Machine& m) {
  const uint64_t n = m.InstructionsExecuted + 1;
  if (n <= last_) Truncate(n - 1);  // executing from a past point: the future goes
  if (n != last_ + 1) {
    // The count jumped (the front end set it): what lies between is unknown, so start afresh here.
    stretches_.clear();
    originState_ = m;
    originPwm_ = livePwm_;
    origin_ = n - 1;
    last_ = n - 1;
    outsideChange_ = true;
  }
  // Anything else that moved between the instructions is a change the records cannot express.
  const bool moved = m.WaitMs != afterWait_ || m.TokByte != afterTokByte_ || m.TokBit != afterTokBit_ ||
                     m.GosubDepth != afterDepth_ || (m.StepOverTarget != afterTarget_ && m.StepOverTarget != 0);
  uint8_t flags = (m.host().TimerEnabled() ? kTimerOn : 0) | (m.StepOverArmed ? kArmed : 0);
  if (stretches_.empty() || stretches_.back().Count >= interval_) {
    if (!stretches_.empty()) {
      stretches_.back().Records.shrink_to_fit();
      stretches_.back().Snapshots.shrink_to_fit();
    }
    Stretch& s = stretches_.emplace_back();
    s.First = n;
    s.Start = m;
    s.StartPwm = livePwm_;
    s.Records.reserve(interval_ + 16);
    s.Records.push_back(flags);
  } else {
    Stretch& s = stretches_.back();
    if (outsideChange_ || moved) {
      s.Records.push_back(flags | kSnapshot);
      s.Snapshots.push_back(m);
    } else {
      const int64_t passed = m.SimTimeUs - afterSimTime_;
      if (m.StepOverTarget != afterTarget_) flags |= kTargetCleared;
      if (passed != kPlainTimeUs) flags |= kTimeFollows;
      s.Records.push_back(flags);
      if (passed != kPlainTimeUs) PutVarint(s.Records, passed);
    }
  }
  ++stretches_.back().Count;
  last_ = n;
  outsideChange_ = false;
  if (stretches_.back().Count == 1) DropOldest();
}

void History::AfterInstruction(const Machine& m) {
  afterSimTime_ = m.SimTimeUs;
  afterTarget_ = m.StepOverTarget;
  afterWait_ = m.WaitMs;
  afterTokByte_ = m.TokByte;
  afterTokBit_ = m.TokBit;
  afterDepth_ = m.GosubDepth;
}

void History::OnPWM(const Machine&, int pin, int duty, int) {
  livePwm_ = PwmText(static_cast<int16_t>(pin), static_cast<int16_t>(duty));
  lastPwm_ = livePwm_;
}

void History::OnInput(const Machine&, Input kind, const std::optional<std::string>& text) {
  if (stretches_.empty()) return;
  Stretch& s = stretches_.back();
  s.Inputs.push_back({s.Count - 1, kind, text});
}

void History::OnExternalChange(const Machine& m) {
  if (m.InstructionsExecuted < last_) Truncate(m.InstructionsExecuted);
  outsideChange_ = true;
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
  last_ = point;
  livePwm_ = lastPwm_;
  if (stretches_.empty()) return;
  Stretch& s = stretches_.back();
  const auto keep = static_cast<uint32_t>(point + 1 - s.First);
  size_t at = 0;
  size_t snapshots = 0;
  for (uint32_t i = 0; i < keep; ++i) {
    const uint8_t flags = s.Records[at++];
    if (flags & kSnapshot) ++snapshots;
    if (flags & kTimeFollows) {
      while (s.Records[at] & 0x80) ++at;
      ++at;
    }
  }
  s.Records.resize(at);
  s.Snapshots.resize(snapshots);
  std::erase_if(s.Inputs, [keep](const TypedInput& in) { return in.Offset >= keep; });
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
