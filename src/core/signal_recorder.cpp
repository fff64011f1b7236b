#include "core/signal_recorder.h"

#include <algorithm>

namespace qx9 {

namespace {

uint16_t Pattern(int32_t word) { return static_cast<uint16_t>(static_cast<uint32_t>(word) & 0xFFFFu); }

std::string Clipped(const std::string& text) {
  return text.size() <= SignalRecorder::kMaxTextLength ? text : text.substr(0, SignalRecorder::kMaxTextLength);
}

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
    default:
      break;
  }
}

SignalRecorder::SignalRecorder(size_t eventCapacity, size_t instructionCapacity)
    : events_(eventCapacity), instructions_(instructionCapacity) {}

void SignalRecorder::Restart(const Machine& machine) {
  events_.Clear();
  instructions_.Clear();
  eventsDropped_ = 0;
  origin_ = SignalSnapshot{};
  origin_.TimeUs = machine.SimTimeUs;
  origin_.Instruction = machine.InstructionsExecuted;
  for (size_t i = 0; i < seen_.size(); ++i) seen_[i] = Pattern(machine.Ram[i]);
  origin_.Words = seen_;
  instructionStartUs_ = machine.SimTimeUs;
  endTimeUs_ = machine.SimTimeUs;
}

void SignalRecorder::SeeTime(int64_t timeUs) { endTimeUs_ = std::max(endTimeUs_, timeUs); }

void SignalRecorder::Add(SignalEvent event) {
  events_.Push(std::move(event), [this](const SignalEvent& oldest) {
    ApplySignalEvent(origin_, oldest);
    ++eventsDropped_;
  });
}

// Eight compares when nothing changed, which is nearly every instruction.
void SignalRecorder::CompareWords(const Machine& m, int64_t timeUs, uint64_t instruction) {
  for (size_t i = 0; i < seen_.size(); ++i) {
    const uint16_t now = Pattern(m.Ram[i]);
    if (now == seen_[i]) continue;
    seen_[i] = now;
    SignalEvent event;
    event.Kind = SignalKind::Word;
    event.TimeUs = timeUs;
    event.Instruction = instruction;
    event.Index = static_cast<int32_t>(i);
    event.Value = now;
    Add(std::move(event));
  }
  SeeTime(timeUs);
}

void SignalRecorder::BeforeInstruction(const Machine& m) {
  instructionStartUs_ = m.SimTimeUs;
  // The count is raised just after this call: the instruction about to run is the next number.
  instructions_.Push({m.InstructionsExecuted + 1, m.SimTimeUs});
}

// An instruction's changes are stamped with its start: a Sound's tones have moved the clock on by now.
void SignalRecorder::AfterInstruction(const Machine& m) {
  CompareWords(m, instructionStartUs_, m.InstructionsExecuted);
  SeeTime(m.SimTimeUs);
}

void SignalRecorder::OnExternalChange(const Machine& m) { CompareWords(m, m.SimTimeUs, m.InstructionsExecuted); }

void SignalRecorder::OnTone(const Machine& m, int frequencyHz, int durationMs) {
  Add({SignalKind::Tone, m.SimTimeUs, m.InstructionsExecuted, 0, frequencyHz, durationMs, {}});
  SeeTime(m.SimTimeUs + int64_t{durationMs} * 1000);
}

void SignalRecorder::OnRest(const Machine& m, int durationMs) {
  Add({SignalKind::Rest, m.SimTimeUs, m.InstructionsExecuted, 0, 0, durationMs, {}});
  SeeTime(m.SimTimeUs + int64_t{durationMs} * 1000);
}

void SignalRecorder::OnPWM(const Machine& m, int pin, int duty, int cycles) {
  Add({SignalKind::PWM, m.SimTimeUs, m.InstructionsExecuted, pin, duty, cycles, {}});
}

// Previews decode a message without showing it; only the boxes the user saw belong on the timeline.
void SignalRecorder::OnMessage(const Machine& m, const std::string& text) {
  if (m.ListOnly) return;
  Add({SignalKind::Message, m.SimTimeUs, m.InstructionsExecuted, 0, 0, 0, Clipped(text)});
}

// A prompt's answer does not say who asked; the instruction being executed does.
void SignalRecorder::OnInput(const Machine& m, Input input, const std::optional<std::string>& text) {
  if (m.ListOnly) return;
  const bool pot = m.InstrText.rfind("Pot ", 0) == 0;
  Add({pot ? SignalKind::Pot : SignalKind::PulsIn, m.SimTimeUs, m.InstructionsExecuted, static_cast<int32_t>(input),
       text ? 1 : 0, 0, text ? Clipped(*text) : std::string()});
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
    if (events_[i].Kind == kind) found.push_back(events_[i]);
  }
  return found;
}

SignalSnapshot SignalRecorder::ValuesAt(int64_t timeUs) const {
  SignalSnapshot values = origin_;
  for (size_t i = 0; i < events_.Size() && events_[i].TimeUs <= timeUs; ++i) ApplySignalEvent(values, events_[i]);
  values.TimeUs = std::max(values.TimeUs, timeUs);
  return values;
}

std::optional<int64_t> SignalRecorder::InstructionTimeUs(uint64_t n) const {
  if (instructions_.Empty()) return std::nullopt;
  const uint64_t first = instructions_.Oldest().Number;
  // Numbers are consecutive unless the recorder was detached for a while; search when they are not.
  if (n >= first && n - first < instructions_.Size() && instructions_[n - first].Number == n) {
    return instructions_[n - first].TimeUs;
  }
  for (size_t i = 0; i < instructions_.Size(); ++i) {
    if (instructions_[i].Number == n) return instructions_[i].TimeUs;
  }
  return std::nullopt;
}

uint64_t SignalRecorder::InstructionAt(int64_t timeUs) const {
  size_t lo = 0;
  size_t hi = instructions_.Size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (instructions_[mid].TimeUs <= timeUs) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo == 0 ? 0 : instructions_[lo - 1].Number;
}

}  // namespace qx9
