#pragma once
// The signal recorder: what the pins, the words and the speaker did over simulated time, for the
// timeline and its VCD and WAV exports. It listens to the machine and keeps only changes: after every
// instruction and every change from outside it compares the eight words with what it saw last, and
// it logs every tone, rest, PWM, Pot and PulsIn read and message as it happens.
//
// Memory is bounded: events live in a ring of a stated capacity and instruction start times in
// another. When a ring wraps, the oldest events are folded into Origin(), the values current at the
// oldest kept point, so an export always starts from a complete picture.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/machine.h"
#include "core/ring.h"

namespace qx9 {

enum class SignalKind : uint8_t { Word, Tone, Rest, PWM, Pot, PulsIn, Message };

struct SignalEvent {
  SignalKind Kind = SignalKind::Word;
  int64_t TimeUs = 0;        // simulated time it happened (an instruction's changes: when it started)
  uint64_t Instruction = 0;  // instructions executed by then, the one making the change included
  int32_t Index = 0;         // Word: 0..6 for W0..W6, 7 the port word; PWM: pin;
                             // Pot, PulsIn: the MachineListener::Input it came from
  int32_t Value = 0;         // Word: the new 16-bit pattern; Tone: Hz; PWM: duty; Pot, PulsIn: 0 cancelled
  int32_t Length = 0;        // Tone, Rest: milliseconds; PWM: cycles
  std::string Text;          // Message; Pot, PulsIn: the text read (at most kMaxTextLength bytes)

  bool operator==(const SignalEvent&) const = default;
};

// The values current at one point of the timeline.
struct SignalSnapshot {
  int64_t TimeUs = 0;
  uint64_t Instruction = 0;
  std::array<uint16_t, 8> Words{};  // W0..W6 and the port word, as 16-bit patterns
  // The last tone begun at or before TimeUs; it still sounds when ToneEndUs > TimeUs.
  int ToneHz = 0;
  int64_t ToneStartUs = 0;
  int64_t ToneEndUs = 0;

  uint16_t Port() const { return Words[kPortWord]; }
  bool PinHigh(int pin) const { return (Port() >> pin) & 1; }
  bool PinOutput(int pin) const { return (Port() >> (pin + 8)) & 1; }
  int ToneHzNow() const { return ToneEndUs > TimeUs ? ToneHz : 0; }

  bool operator==(const SignalSnapshot&) const = default;
};

class SignalRecorder final : public MachineListener {
 public:
  static constexpr size_t kDefaultEventCapacity = size_t{1} << 18;        // about 20 MB when full
  static constexpr size_t kDefaultInstructionCapacity = size_t{1} << 19;  // 8 MB when full
  // Typed texts can be any length; the ring's bound must not depend on them.
  static constexpr size_t kMaxTextLength = 256;

  explicit SignalRecorder(size_t eventCapacity = kDefaultEventCapacity,
                          size_t instructionCapacity = kDefaultInstructionCapacity);

  // Forgets everything recorded and takes the machine's present values as the start of the timeline.
  // Attach and detach with Machine::AddListener / RemoveListener.
  void Restart(const Machine& machine);

  // Extends the timeline to the machine's present simulated time: a press counts its 1 ms after the
  // instruction's events, and a run may end in a wait. Call it before exporting.
  void CatchUp(const Machine& machine) { SeeTime(machine.SimTimeUs); }

  // --- what was recorded ------------------------------------------------------------------------
  const SignalSnapshot& Origin() const { return origin_; }
  const Ring<SignalEvent>& Events() const { return events_; }
  // Events folded into Origin() because the ring was full.
  uint64_t EventsDropped() const { return eventsDropped_; }
  // The latest simulated time the recorder has seen (the end of the last tone included).
  int64_t EndTimeUs() const { return endTimeUs_; }

  // The kept events of one kind with TimeUs in [fromUs, toUs), oldest first.
  std::vector<SignalEvent> EventsOf(SignalKind kind, int64_t fromUs, int64_t toUs) const;
  // The index range [first, last) of the kept events with TimeUs in [fromUs, toUs).
  std::pair<size_t, size_t> EventRange(int64_t fromUs, int64_t toUs) const;
  // The values current at a time: Origin() with every kept event up to and including that time.
  SignalSnapshot ValuesAt(int64_t timeUs) const;

  // --- simulated time and executed-instruction numbers ------------------------------------------
  // When instruction n (1 = the first executed) started; nullopt when it is not (or no longer) kept.
  std::optional<int64_t> InstructionTimeUs(uint64_t n) const;
  // The number of the last kept instruction started at or before a time; 0 when there is none.
  uint64_t InstructionAt(int64_t timeUs) const;

  // --- MachineListener --------------------------------------------------------------------------
  void BeforeInstruction(const Machine& m) override;
  void AfterInstruction(const Machine& m) override;
  void OnTone(const Machine& m, int frequencyHz, int durationMs) override;
  void OnRest(const Machine& m, int durationMs) override;
  void OnPWM(const Machine& m, int pin, int duty, int cycles) override;
  void OnMessage(const Machine& m, const std::string& text) override;
  void OnInput(const Machine& m, Input input, const std::optional<std::string>& text) override;
  void OnExternalChange(const Machine& m) override;

 private:
  struct InstructionStart {
    uint64_t Number = 0;
    int64_t TimeUs = 0;
  };

  void CompareWords(const Machine& m, int64_t timeUs, uint64_t instruction);
  void Add(SignalEvent event);
  void SeeTime(int64_t timeUs);

  Ring<SignalEvent> events_;
  Ring<InstructionStart> instructions_;
  SignalSnapshot origin_;
  std::array<uint16_t, 8> seen_{};  // the words as the last comparison found them
  int64_t instructionStartUs_ = 0;
  int64_t endTimeUs_ = 0;
  uint64_t eventsDropped_ = 0;
};

// Folds one event into a snapshot: the step both Origin() and ValuesAt() are made of.
void ApplySignalEvent(SignalSnapshot& snapshot, const SignalEvent& event);

}  // namespace qx9
