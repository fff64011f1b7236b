#include "core/signal_recorder.h"

#include <algorithm>
#include <cstring>

namespace qx9 {

namespace {

uint16_t Pattern(int32_t word) { return static_cast<uint16_t>(static_cast<uint32_t>(word) & 0xFFFFu); }

}  // namespace

void ApplySignalEvent(SignalSnapshot& snapshot, const SignalEvent& event) {
  snapshot.TimeUs = std::max(snapshot.TimeUs, event.TimeUs);
  snapshot.Instruction = std::max(snapshot.Instruction, event.Instruction);
  switch (event.Kind) {
    case SignalKind::Word:
      snapshot.Words[static_cast<size_t>(event.Index & 7)] = static_cast<uint16_t>(event.Value);
      break;
    case SignalKind::Tone:
    case SignalKind::Rest:
      // A rest is a stretch of silence: it ends whatever sounded before it.
      snapshot.ToneHz = event.Kind == SignalKind::Tone ? event.Value : 0;
      snapshot.ToneStartUs = event.TimeUs;
      snapshot.ToneEndUs = event.TimeUs + int64_t{event.Length} * 1000;
      break;
    default: break;
  }
}

namespace {
bool HasText(SignalKind kind) {
  return kind == SignalKind::Message || kind == SignalKind::Pot || kind == SignalKind::PulsIn;
}
}  // namespace

SignalRecorder::SignalRecorder(size_t eventCapacity, size_t instructionRuns)
    : events_(eventCapacity), texts_(eventCapacity), instructions_(instructionRuns) {}

void SignalRecorder::Restart(const Machine& machine) {
  events_.Clear();
  texts_.Clear();
  textsAdded_ = 0;
  instructions_.Clear();
  current_ = InstructionRun{0, 0, 0, 0};
  ExpectNextStart();
  eventsDropped_ = 0;
  origin_ = SignalSnapshot{};
  origin_.TimeUs = machine.SimTimeUs;
  origin_.Instruction = machine.InstructionsExecuted;
  seen_ = machine.Ram;
  for (size_t i = 0; i < seen_.size(); ++i) origin_.Words[i] = Pattern(seen_[i]);
  instructionStartUs_ = machine.SimTimeUs;
  endTimeUs_ = machine.SimTimeUs;
  lastInstruction_ = machine.InstructionsExecuted;
}

void SignalRecorder::ForgetAfter(const Machine& m) {
  const uint64_t point = m.InstructionsExecuted;
  // When the point was folded into the origin already, nothing kept is from before it.
  if (origin_.Instruction > point) {
    Restart(m);
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
  endTimeUs_ = std::max(origin_.TimeUs, m.SimTimeUs);
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

void SignalRecorder::Add(const Record& record) { NewRecord() = record; }

SignalRecorder::Record& SignalRecorder::NewRecord() {
  return events_.Append([this](const Record& oldest) {
    origin_.TimeUs = std::max(origin_.TimeUs, oldest.TimeUs);
    origin_.Instruction = std::max(origin_.Instruction, oldest.Instruction);
    // Words are the common case and need no more than their slot written.
    if (oldest.Kind == SignalKind::Word) {
      origin_.Words[static_cast<size_t>(oldest.Index & 7)] = static_cast<uint16_t>(oldest.Value);
    } else if (oldest.Kind == SignalKind::Tone || oldest.Kind == SignalKind::Rest) {
      ApplySignalEvent(origin_,
                       {oldest.Kind, oldest.TimeUs, oldest.Instruction, oldest.Index, oldest.Value, oldest.Length, {}});
    }
    ++eventsDropped_;
  });
}

void SignalRecorder::AddText(Record record, const std::string& text) {
  // Sequence numbers wrap at 2^32; the ring holds far fewer, so the low bits identify a kept text.
  record.Length = static_cast<int32_t>(static_cast<uint32_t>(textsAdded_));
  // A full ring hands back its oldest text's slot, whose storage the new text reuses.
  texts_.Append([](const std::string&) {}).assign(text, 0, kMaxTextLength);
  ++textsAdded_;
  Add(record);
}

// Nearly every instruction leaves the words alone, so the test for a change is one pass that the
// compiler turns into a few vector operations, with no branch per word; only a change goes on to find
// which words moved.
bool SignalRecorder::WordsMoved(const Machine& m) const {
  uint32_t differ = 0;
  for (size_t i = 0; i < seen_.size(); ++i) differ |= static_cast<uint32_t>(m.Ram[i] ^ seen_[i]);
  return differ != 0;
}

void SignalRecorder::RecordWordChanges(const Machine& m, int64_t timeUs, uint64_t instruction) {
  // Words are kept as their 16-bit patterns; a value outside that range would be the same word. Two
  // words are compared at a time (their low halves), since a call mostly finds one word of eight moved.
  constexpr uint64_t kPatterns = 0x0000FFFF0000FFFFull;
  for (size_t i = 0; i < seen_.size(); i += 2) {
    uint64_t now = 0;
    uint64_t before = 0;
    std::memcpy(&now, &m.Ram[i], sizeof now);
    std::memcpy(&before, &seen_[i], sizeof before);
    const uint64_t moved = (now ^ before) & kPatterns;
    if (moved == 0) continue;
    if ((moved & 0xFFFFu) != 0) AddWord(i, m.Ram[i], timeUs, instruction);
    if ((moved >> 32) != 0) AddWord(i + 1, m.Ram[i + 1], timeUs, instruction);
  }
  seen_ = m.Ram;
}

void SignalRecorder::AddWord(size_t index, int32_t word, int64_t timeUs, uint64_t instruction) {
  Record& r = NewRecord();
  r.TimeUs = timeUs;
  r.Instruction = instruction;
  r.Index = static_cast<int32_t>(index);
  r.Value = Pattern(word);
  r.Length = 0;
  r.Kind = SignalKind::Word;
}

// Instructions evenly spaced in time extend the run under way; any other start begins a new one.
// The common case, the next instruction of a run of two or more at the expected time, is handled by
// BeforeInstruction with two compares; this is the rest.
void SignalRecorder::NoteInstructionStart(uint64_t number, int64_t timeUs) {
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

void SignalRecorder::BeforeInstruction(const Machine& m) {
  if (m.InstructionsExecuted < lastInstruction_) ForgetAfter(m);
  instructionStartUs_ = m.SimTimeUs;
  // The count is raised just after this call: the instruction about to run is the next number.
  const uint64_t number = m.InstructionsExecuted + 1;
  if (number == nextNumber_ && m.SimTimeUs == nextStartUs_) {
    ++current_.Count;
    nextNumber_ = number + 1;
    nextStartUs_ += current_.StepUs;
    return;
  }
  NoteInstructionStart(number, m.SimTimeUs);
}

// An instruction's changes are stamped with its start: a Sound's tones have moved the clock on by now.
void SignalRecorder::AfterInstruction(const Machine& m) {
  lastInstruction_ = m.InstructionsExecuted;
  if (WordsMoved(m)) RecordWordChanges(m, instructionStartUs_, m.InstructionsExecuted);
  // The clock never runs back within an instruction, so its start needs no look of its own.
  SeeTime(m.SimTimeUs);
}

void SignalRecorder::OnExternalChange(const Machine& m) {
  if (m.InstructionsExecuted < lastInstruction_) ForgetAfter(m);
  SeeTime(m.SimTimeUs);
  if (WordsMoved(m)) RecordWordChanges(m, m.SimTimeUs, m.InstructionsExecuted);
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

// A prompt's answer does not say who asked; the instruction being executed does.
void SignalRecorder::OnInput(const Machine& m, Input input, const std::optional<std::string>& text) {
  if (m.ListOnly) return;
  const SignalKind kind = m.InstrText.rfind("Pot ", 0) == 0 ? SignalKind::Pot : SignalKind::PulsIn;
  AddText({m.SimTimeUs, m.InstructionsExecuted, static_cast<int32_t>(input), text ? 1 : 0, 0, kind},
          text ? *text : std::string());
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
