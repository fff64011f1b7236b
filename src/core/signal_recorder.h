#pragma once
// The signal recorder: what the pins, the words and the speaker did over simulated time, for the
// timeline and its VCD and WAV exports. It listens to the machine and keeps only changes: after every
// instruction it compares the words the machine marks as written with what it saw last (all eight
// after a change from outside), and it logs every tone, rest, PWM, Pot and PulsIn read and message as
// it happens.
//
// Memory is bounded: events live in a ring of a stated capacity, as compact records with their rare
// texts kept beside them; instruction start times live in another ring, as runs of instructions evenly
// spaced in time (a free run is one such run between two waits). When the event ring is full, its
// oldest sixty-fourth is folded into Origin(), the values current at the oldest kept point, so an export
// always starts from a complete picture.

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
  // A full event ring takes 32 bytes an event, and a text event up to kMaxTextLength more: 8 MB for
  // the default when texts are rare, 40 MB in the worst case. A full instruction ring takes 2 MB.
  static constexpr size_t kDefaultEventCapacity = size_t{1} << 18;
  static constexpr size_t kDefaultInstructionRuns = size_t{1} << 16;
  // Typed texts can be any length; the ring's bound must not depend on them.
  static constexpr size_t kMaxTextLength = 80;

  // instructionRuns: the evenly spaced runs of instructions kept besides the one under way.
  explicit SignalRecorder(size_t eventCapacity = kDefaultEventCapacity,
                          size_t instructionRuns = kDefaultInstructionRuns);

  // Forgets everything recorded and takes the machine's present values as the start of the timeline.
  // Attach and detach with Machine::AddListener / RemoveListener.
  void Restart(const Machine& machine);

  // Extends the timeline to the machine's present simulated time: a press counts its 1 ms after the
  // instruction's events, and a run may end in a wait. Call it before exporting.
  void CatchUp(const Machine& machine) { SeeTime(machine.SimTimeUs); }

  // --- what was recorded ------------------------------------------------------------------------
  const SignalSnapshot& Origin() const { return origin_; }
  // The kept events, oldest first: Event(0) .. Event(EventCount() - 1), in time order.
  size_t EventCount() const { return events_.Size(); }
  SignalEvent Event(size_t i) const;
  size_t EventCapacity() const { return events_.Capacity(); }
  // Events folded into Origin() because the ring was full.
  uint64_t EventsDropped() const { return eventsDropped_; }
  // The latest simulated time the recorder has seen (the end of the last tone included).
  int64_t EndTimeUs() const;

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
  bool WatchesInstructionStart() const override { return false; }
  void AfterInstruction(const Machine& m) override;
  void OnTone(const Machine& m, int frequencyHz, int durationMs) override;
  void OnRest(const Machine& m, int durationMs) override;
  void OnPWM(const Machine& m, int pin, int duty, int cycles) override;
  void OnMessage(const Machine& m, const std::string& text) override;
  void OnInput(const Machine& m, Opcode reader, Input input, const std::optional<std::string>& text) override;
  void OnExternalChange(const Machine& m) override;

 private:
  // A kept event without its text; a text event holds the sequence number of its text in Length.
  struct Record {
    int64_t TimeUs;
    uint64_t Instruction;
    int32_t Index;
    int32_t Value;
    int32_t Length;
    SignalKind Kind;
  };
  // Count instructions numbered First.. started StepUs apart from FirstUs on.
  struct InstructionRun {
    uint64_t First;
    int64_t FirstUs;
    int64_t StepUs;
    uint64_t Count;
  };

  unsigned WordsMoved(const Machine& m) const;  // bit i: Ram[i] is not what seen_ holds
  // The slow paths stay out of line, so the listener calls on the common path save no registers.
  [[gnu::noinline]] void RecordWordChanges(const Machine& m, unsigned moved, int64_t timeUs, uint64_t instruction);
  [[gnu::noinline]] void MakeRoomThenRecord(const Machine& m, unsigned moved, int64_t timeUs, uint64_t instruction);
  void Add(const Record& record);
  [[gnu::noinline]] void MakeRoom();  // drops the oldest events of a full ring, folded into the origin
  void AddText(Record record, const std::string& text);
  void SeeTime(int64_t timeUs);
  // Takes the machine's present words as the values at a point and time.
  void RestartAt(const Machine& machine, uint64_t point, int64_t timeUs);
  // The rest of AfterInstruction when the instruction did not start where the run under way said.
  [[gnu::noinline]] void AfterUnevenStart(const Machine& m);
  void NoteInstructionStart(const Machine& m);
  void ExpectNextStart();  // nextNumber_ and nextStartUs_ from current_
  // The machine was taken back to an earlier point (the history) and goes on from there: what was
  // recorded after that point is forgotten, as the history forgets it, so time keeps running forward.
  void ForgetAfter(const Machine& m, uint64_t point, int64_t timeUs);

  Ring<Record> events_;
  Ring<std::string> texts_;  // the texts of the kept text events, in the same order
  uint64_t textsAdded_ = 0;
  // The runs that ended, and the one under way (Count 0: none yet), kept apart so the common case,
  // the next instruction of the same run, is two compares and two additions.
  Ring<InstructionRun> instructions_;
  InstructionRun current_{0, 0, 0, 0};
  // The number and time the next instruction of the run under way would have (number 0: none can
  // follow without a look at the run), so that case is two compares.
  uint64_t nextNumber_ = 0;
  int64_t nextStartUs_ = 0;
  // The run under way as it stands: while nextNumber_ says it goes on, the common path only moves
  // nextNumber_ on, and current_.Count is brought up to date from it when something else needs it.
  InstructionRun Current() const;
  void SyncCurrent() { current_ = Current(); }
  uint64_t NewestInstruction() const;  // the newest instruction number seen
  InstructionRun RunAt(size_t i) const { return i < instructions_.Size() ? instructions_[i] : Current(); }
  size_t RunCount() const { return instructions_.Size() + (current_.Count > 0 ? 1 : 0); }
  // How many runs, from the oldest, `before` holds for (it holds for a prefix of them).
  template <typename Before>
  size_t RunsWhere(Before before) const;
  SignalSnapshot origin_;
  std::array<int32_t, 8> seen_{};  // the words as the last comparison found them
  uint64_t lastInstruction_ = 0;   // the newest instruction number seen off the common path
  // The latest time seen other than an instruction's start (a tone's end, a tick of a wait): the
  // starts are in the runs already, so the common path need not note them.
  int64_t endTimeUs_ = 0;
  uint64_t eventsDropped_ = 0;
};

// Folds one event into a snapshot: the step both Origin() and ValuesAt() are made of.
void ApplySignalEvent(SignalSnapshot& snapshot, const SignalEvent& event);

}  // namespace qx9
