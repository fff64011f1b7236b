#include "core/signal_recorder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qx9 {

namespace {

uint16_t Pattern(int32_t word) { return static_cast<uint16_t>(static_cast<uint32_t>(word) & 0xFFFFu); }

// Machine::WordsWritten's eight flag bytes (each 0 or 1), read as one number, gathered into a mask with
// byte i on bit i. On a little-endian processor byte i sits at bit 8 i, and one multiplication adds each
// flag into the top byte at bit i without carries.
unsigned WrittenMask(uint64_t flags) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<unsigned>((flags * 0x0102040810204080ull) >> 56);
  } else {
    unsigned mask = 0;
    for (unsigned i = 0; i < 8; ++i) mask |= static_cast<unsigned>((flags >> (56 - 8 * i)) & 1u) << i;
    return mask;
  }
}

}  // namespace

namespace {

// Folds one event's effect into a snapshot, the step both Origin() and ValuesAt() are made of; its time
// and instruction are the caller's. Inline and free of texts, as an evicted word takes this path at
// every instruction that changes one once the ring is full.
inline void ApplyValue(SignalSnapshot& snapshot, SignalKind kind, int64_t timeUs, int32_t index, int32_t value,
                       int32_t length) {
  switch (kind) {
    case SignalKind::Word: snapshot.Words[static_cast<size_t>(index & 7)] = static_cast<uint16_t>(value); break;
    case SignalKind::Tone:
    case SignalKind::Rest:
      // A rest is a stretch of silence: it ends whatever sounded before it.
      snapshot.ToneHz = kind == SignalKind::Tone ? value : 0;
      snapshot.ToneStartUs = timeUs;
      snapshot.ToneEndUs = timeUs + int64_t{length} * 1000;
      break;
    default: break;
  }
}

}  // namespace

void ApplySignalEvent(SignalSnapshot& snapshot, const SignalEvent& event) {
  snapshot.TimeUs = std::max(snapshot.TimeUs, event.TimeUs);
  snapshot.Instruction = std::max(snapshot.Instruction, event.Instruction);
  ApplyValue(snapshot, event.Kind, event.TimeUs, event.Index, event.Value, event.Length);
}

namespace {
bool HasText(SignalKind kind) {
  return kind == SignalKind::Message || kind == SignalKind::Pot || kind == SignalKind::PulsIn;
}
}  // namespace

SignalRecorder::SignalRecorder(size_t eventCapacity, size_t instructionRuns)
    : events_(eventCapacity), texts_(eventCapacity), instructions_(instructionRuns) {}

void SignalRecorder::Restart(const Machine& machine) {
  RestartAt(machine, machine.InstructionsExecuted, machine.SimTimeUs);
}

void SignalRecorder::RestartAt(const Machine& machine, uint64_t point, int64_t timeUs) {
  events_.Clear();
  texts_.Clear();
  textsAdded_ = 0;
  instructions_.Clear();
  current_ = InstructionRun{0, 0, 0, 0};
  ExpectNextStart();
  eventsDropped_ = 0;
  origin_ = SignalSnapshot{};
  origin_.TimeUs = timeUs;
  origin_.Instruction = point;
  seen_ = machine.Ram;
  for (size_t i = 0; i < seen_.size(); ++i) origin_.Words[i] = Pattern(seen_[i]);
  endTimeUs_ = timeUs;
  lastInstruction_ = point;
}

void SignalRecorder::ForgetAfter(const Machine& m, uint64_t point, int64_t timeUs) {
  SyncCurrent();
  // When the point was folded into the origin already, nothing kept is from before it. Seen after an
  // instruction, the words are already that instruction's: its changes become part of the new start.
  if (origin_.Instruction > point) {
    RestartAt(m, point, timeUs);
    return;
  }
  size_t keep = events_.Size();
  size_t textsDropped = 0;
  while (keep > 0 && events_[keep - 1].Instruction > point) {
    if (HasText(events_[keep - 1].Kind)) ++textsDropped;
    --keep;
  }
  events_.DropNewest(events_.Size() - keep);
  texts_.DropNewest(textsDropped);
  textsAdded_ -= textsDropped;
  // Instruction runs: only the starts of instructions 1..point stay.
  while (current_.Count > 0 && current_.First > point) {
    if (instructions_.Empty()) {
      current_ = InstructionRun{0, 0, 0, 0};
    } else {
      current_ = instructions_.Newest();
      instructions_.DropNewest(1);
    }
  }
  if (current_.Count > 0 && current_.First + current_.Count - 1 > point) {
    current_.Count = point - current_.First + 1;
  }
  ExpectNextStart();
  // The words as the kept events leave them: the next comparison records the step to the machine's.
  const SignalSnapshot now = ValuesAt(INT64_MAX);
  for (size_t i = 0; i < seen_.size(); ++i) seen_[i] = now.Words[i];
  endTimeUs_ = std::max(origin_.TimeUs, timeUs);
  lastInstruction_ = point;
}

SignalEvent SignalRecorder::Event(size_t i) const {
  const Record& r = events_[i];
  SignalEvent event{r.Kind, r.TimeUs, r.Instruction, r.Index, r.Value, r.Length, {}};
  if (HasText(r.Kind)) {
    event.Length = 0;
    // The text ring is as long as the event ring, so a kept event's text is always kept too. The
    // record holds the low 32 bits of the text's number; how many texts ago it came is their
    // difference from the count, modulo 2^32.
    const uint32_t ago = static_cast<uint32_t>(textsAdded_) - static_cast<uint32_t>(r.Length);
    if (ago >= 1 && ago <= texts_.Size()) event.Text = texts_[texts_.Size() - ago];
  }
  return event;
}

void SignalRecorder::SeeTime(int64_t timeUs) { endTimeUs_ = std::max(endTimeUs_, timeUs); }

int64_t SignalRecorder::EndTimeUs() const {
  const InstructionRun run = Current();
  if (run.Count == 0) return endTimeUs_;
  return std::max(endTimeUs_, run.FirstUs + static_cast<int64_t>(run.Count - 1) * run.StepUs);
}

SignalRecorder::InstructionRun SignalRecorder::Current() const {
  InstructionRun run = current_;
  if (nextNumber_ != 0) run.Count = nextNumber_ - run.First;
  return run;
}

uint64_t SignalRecorder::NewestInstruction() const {
  return nextNumber_ != 0 ? std::max(lastInstruction_, nextNumber_ - 1) : lastInstruction_;
}

void SignalRecorder::Add(const Record& record) {
  if (events_.Full()) MakeRoom();
  events_.AppendToSpare() = record;
}

// A full ring drops a sixty-fourth of its events at once, oldest first, folding their values into the
// origin in one tight loop (on a copy, which the compiler may keep in registers); the record written
// next then needs no more than a free slot.
void SignalRecorder::MakeRoom() {
  const size_t batch = std::min(events_.Size(), std::max<size_t>(1, events_.Capacity() / 64));
  // The origin's point is the last dropped event's. Instruction numbers never fall from one event to the
  // next, and the events of one instruction all come later than those of earlier ones, though not in
  // time order among themselves (a Sound's tones come before its own word changes): the latest time is
  // among the events of the last dropped event's instruction.
  const uint64_t point = events_[batch - 1].Instruction;
  for (size_t i = batch; i-- > 0 && events_[i].Instruction == point;) {
    origin_.TimeUs = std::max(origin_.TimeUs, events_[i].TimeUs);
  }
  origin_.Instruction = point;
  SignalSnapshot origin = origin_;
  events_.DropOldest(batch, [&origin](const Record& oldest) {
    if (oldest.Kind == SignalKind::Word) {
      origin.Words[static_cast<size_t>(oldest.Index & 7)] = static_cast<uint16_t>(oldest.Value);
    } else {
      ApplyValue(origin, oldest.Kind, oldest.TimeUs, oldest.Index, oldest.Value, oldest.Length);
    }
  });
  origin_ = origin;
  eventsDropped_ += batch;
}

void SignalRecorder::AddText(Record record, const std::string& text) {
  // Sequence numbers wrap at 2^32; the ring holds far fewer, so the low bits identify a kept text.
  record.Length = static_cast<int32_t>(static_cast<uint32_t>(textsAdded_));
  // A full ring hands back its oldest text's slot, whose storage the new text reuses.
  texts_.Append().assign(text, 0, kMaxTextLength);
  ++textsAdded_;
  Add(record);
}

// Where the machine's own account of its writes is not enough (a change from outside, an instruction
// after a jump) all eight words are compared, giving one bit per word that differs. Only those words
// go on to have their 16-bit patterns compared (a word loaded outside the 16-bit range may differ
// from what was seen and still be the same word).
unsigned SignalRecorder::WordsMoved(const Machine& m) const {
  unsigned moved = 0;
  for (size_t i = 0; i < seen_.size(); ++i) moved |= static_cast<unsigned>(m.Ram[i] != seen_[i]) << i;
  return moved;
}

// One moved word per call, the next by a call in tail position (a loop): with no other call but one in
// tail position either, the common case, one word, saves no registers.
void SignalRecorder::RecordWordChanges(const Machine& m, unsigned moved, int64_t timeUs, uint64_t instruction) {
  const auto i = static_cast<size_t>(std::countr_zero(moved));
  const int32_t word = m.Ram[i];
  if (((word ^ seen_[i]) & 0xFFFF) != 0) {
    // Room is made only for a record that will be written: a word written with its own value is none.
    if (events_.Full()) return MakeRoomThenRecord(m, moved, timeUs, instruction);
    Record& r = events_.AppendToSpare();
    r.TimeUs = timeUs;
    r.Instruction = instruction;
    r.Index = static_cast<int32_t>(i);
    r.Value = Pattern(word);
    r.Length = 0;
    r.Kind = SignalKind::Word;
  }
  seen_[i] = word;
  moved &= moved - 1;
  if (moved != 0) RecordWordChanges(m, moved, timeUs, instruction);
}

void SignalRecorder::MakeRoomThenRecord(const Machine& m, unsigned moved, int64_t timeUs, uint64_t instruction) {
  MakeRoom();
  RecordWordChanges(m, moved, timeUs, instruction);
}

// Instructions evenly spaced in time extend the run under way; any other start begins a new one.
// The common case, the next instruction of a run of two or more at the expected time, is handled by
// AfterInstruction with two compares; this is the rest.
void SignalRecorder::NoteInstructionStart(const Machine& m) {
  const uint64_t number = m.InstructionsExecuted;
  const int64_t timeUs = m.InstructionStartUs;
  if (number <= NewestInstruction()) ForgetAfter(m, number - 1, timeUs);
  SyncCurrent();
  InstructionRun& run = current_;
  if (run.Count > 0 && number == run.First + run.Count) {
    if (run.Count == 1 && timeUs >= run.FirstUs) run.StepUs = timeUs - run.FirstUs;
    if (timeUs == run.FirstUs + static_cast<int64_t>(run.Count) * run.StepUs) {
      ++run.Count;
      ExpectNextStart();
      return;
    }
  }
  if (run.Count > 0) instructions_.Push(run);
  run = InstructionRun{number, timeUs, 0, 1};
  ExpectNextStart();
}

void SignalRecorder::ExpectNextStart() {
  // A run of one has no step yet, so nothing may be taken as its continuation without the slow path.
  nextNumber_ = current_.Count > 1 ? current_.First + current_.Count : 0;
  nextStartUs_ = current_.FirstUs + static_cast<int64_t>(current_.Count) * current_.StepUs;
}

// An instruction's changes are stamped with its start: a Sound's tones have moved the clock on by now,
// and they saw to the end time themselves. Every path ends in a call it can jump to, so the common
// one saves no registers.
void SignalRecorder::AfterInstruction(const Machine& m) {
  const uint64_t number = m.InstructionsExecuted;
  if (number != nextNumber_ || m.InstructionStartUs != nextStartUs_) return AfterUnevenStart(m);
  nextNumber_ = number + 1;
  nextStartUs_ += current_.StepUs;
  // The machine says which words the instruction wrote; a replaced state (the history) never takes
  // this path, as it moves the instruction count.
  uint64_t written = 0;
  std::memcpy(&written, m.WordsWritten.data(), sizeof written);
  if (written != 0) RecordWordChanges(m, WrittenMask(written), m.InstructionStartUs, number);
}

// All eight words are compared here: after a jump in the history the machine's words are not what the
// instruction alone made them.
void SignalRecorder::AfterUnevenStart(const Machine& m) {
  NoteInstructionStart(m);
  lastInstruction_ = m.InstructionsExecuted;
  if (const unsigned moved = WordsMoved(m)) RecordWordChanges(m, moved, m.InstructionStartUs, m.InstructionsExecuted);
}

void SignalRecorder::OnExternalChange(const Machine& m) {
  if (m.InstructionsExecuted < NewestInstruction()) ForgetAfter(m, m.InstructionsExecuted, m.SimTimeUs);
  SeeTime(m.SimTimeUs);
  if (const unsigned moved = WordsMoved(m)) RecordWordChanges(m, moved, m.SimTimeUs, m.InstructionsExecuted);
}

void SignalRecorder::OnTone(const Machine& m, int frequencyHz, int durationMs) {
  Add({m.SimTimeUs, m.InstructionsExecuted, 0, frequencyHz, durationMs, SignalKind::Tone});
  SeeTime(m.SimTimeUs + int64_t{durationMs} * 1000);
}

void SignalRecorder::OnRest(const Machine& m, int durationMs) {
  Add({m.SimTimeUs, m.InstructionsExecuted, 0, 0, durationMs, SignalKind::Rest});
  SeeTime(m.SimTimeUs + int64_t{durationMs} * 1000);
}

void SignalRecorder::OnPWM(const Machine& m, int pin, int duty, int cycles) {
  Add({m.SimTimeUs, m.InstructionsExecuted, pin, duty, cycles, SignalKind::PWM});
}

// Previews decode a message without showing it; only the boxes the user saw belong on the timeline.
void SignalRecorder::OnMessage(const Machine& m, const std::string& text) {
  if (m.ListOnly) return;
  AddText({m.SimTimeUs, m.InstructionsExecuted, 0, 0, 0, SignalKind::Message}, text);
}

// A prompt's answer does not say who asked; the reader does (the instruction's text may not be built).
void SignalRecorder::OnInput(const Machine& m, Opcode reader, Input input, const std::optional<std::string>& text) {
  if (m.ListOnly) return;
  const SignalKind kind = reader == Opcode::Pot ? SignalKind::Pot : SignalKind::PulsIn;
  static const std::string kCancelled;
  AddText({m.SimTimeUs, m.InstructionsExecuted, static_cast<int32_t>(input), text ? 1 : 0, 0, kind},
          text ? *text : kCancelled);
}

std::pair<size_t, size_t> SignalRecorder::EventRange(int64_t fromUs, int64_t toUs) const {
  // Events arrive in time order, so the kept ones are sorted by TimeUs.
  auto firstAtOrAfter = [this](int64_t t) {
    size_t lo = 0;
    size_t hi = events_.Size();
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      if (events_[mid].TimeUs < t) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  };
  const size_t first = firstAtOrAfter(fromUs);
  return {first, std::max(first, firstAtOrAfter(toUs))};
}

std::vector<SignalEvent> SignalRecorder::EventsOf(SignalKind kind, int64_t fromUs, int64_t toUs) const {
  std::vector<SignalEvent> found;
  const auto [first, last] = EventRange(fromUs, toUs);
  for (size_t i = first; i < last; ++i) {
    if (events_[i].Kind == kind) found.push_back(Event(i));
  }
  return found;
}

SignalSnapshot SignalRecorder::ValuesAt(int64_t timeUs) const {
  SignalSnapshot values = origin_;
  for (size_t i = 0; i < events_.Size() && events_[i].TimeUs <= timeUs; ++i) ApplySignalEvent(values, Event(i));
  values.TimeUs = std::max(values.TimeUs, timeUs);
  return values;
}

template <typename Before>
size_t SignalRecorder::RunsWhere(Before before) const {
  // Runs are kept in the order of their numbers and times, so those that qualify come first.
  size_t lo = 0;
  size_t hi = RunCount();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (before(RunAt(mid))) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

std::optional<int64_t> SignalRecorder::InstructionTimeUs(uint64_t n) const {
  // The last run whose first number is at most n.
  const size_t lo = RunsWhere([n](const InstructionRun& run) { return run.First <= n; });
  if (lo == 0) return std::nullopt;
  const InstructionRun run = RunAt(lo - 1);
  if (n - run.First >= run.Count) return std::nullopt;
  return run.FirstUs + static_cast<int64_t>(n - run.First) * run.StepUs;
}

uint64_t SignalRecorder::InstructionAt(int64_t timeUs) const {
  // The last run that started at or before the time.
  const size_t lo = RunsWhere([timeUs](const InstructionRun& run) { return run.FirstUs <= timeUs; });
  if (lo == 0) return 0;
  const InstructionRun run = RunAt(lo - 1);
  if (run.StepUs == 0) return run.First + run.Count - 1;
  const auto steps = static_cast<uint64_t>((timeUs - run.FirstUs) / run.StepUs);
  return run.First + std::min(steps, run.Count - 1);
}

}  // namespace qx9
