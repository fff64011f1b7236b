#pragma once
// The run's history: every executed instruction can be undone, and who last changed a variable, a pin
// or an image byte can be asked. The machine's whole state is a few hundred bytes and everything it
// takes from outside is known, so the history keeps a full snapshot every few thousand instructions and
// one byte for each instruction in between (the timer's state, the step over's flag; a few more for a
// wait's countdown or simulated time other than the usual 1 ms), plus the values typed into boxes and
// prompts; any earlier point is rebuilt by re-executing from the snapshot before it with those inputs
// played back. Other changes made between instructions (a switch click, a typed word, a restart's
// reset) are caught whole: the state before the next instruction is snapshotted when one happened.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/machine.h"

namespace qx9 {

// What "who wrote" can ask about: a field of a word (as a variable names it) or one image entry.
struct HistoryTarget {
  bool IsImage = false;
  VarRef Field;   // when !IsImage
  int Entry = 0;  // when IsImage: 0..255
};

// Variable names W0..W6, B0..B13, Bit0..Bit15, Port, Pins, Dirs, Pin0..Pin7, Dir0..Dir7 (any case),
// and image entries as eeprom[I] with I 0..255; nullopt for anything else.
std::optional<HistoryTarget> ParseHistoryTarget(const std::string& name);

class History final : public MachineListener {
 public:
  // A snapshot every `interval` instructions; at most `window` instructions kept: the oldest whole
  // stretches of `interval` are dropped, so between window and window + 2 x interval stay. With the
  // defaults a run takes one or two bytes an instruction and any point is rebuilt by re-executing at
  // most 2048 instructions.
  static constexpr uint64_t kDefaultInterval = 2048;
  static constexpr uint64_t kDefaultWindow = 50'000'000;
  explicit History(uint64_t interval = kDefaultInterval, uint64_t window = kDefaultWindow);
  // It keeps a pointer into its own stretches and is attached to a machine by address.
  History(const History&) = delete;
  History& operator=(const History&) = delete;

  // Starts recording the machine from its present state (forgetting any earlier history); lastPwm is
  // what the LastPWM box shows now. Detach stops recording; the destructor does not detach, so detach
  // (or outlive) the machine.
  void Attach(Machine& machine, const std::string& lastPwm = {});
  void Detach();
  // Forgets everything and starts again from the machine's present state (a new program was loaded).
  void Restart(const std::string& lastPwm = {});

  // Executed-instruction numbers (the machine's InstructionsExecuted): the oldest point that can be
  // restored, and the newest. A point K is the state right after instruction K; the oldest point is the
  // state before the oldest kept instruction.
  uint64_t FirstPoint() const;
  uint64_t LastPoint() const { return last_; }
  uint64_t Size() const { return last_ - FirstPoint(); }
  // The point the machine stands at (its InstructionsExecuted, held within the kept points).
  uint64_t CurrentPoint() const;

  // Restores the machine to point K (held within the kept points) and returns the point reached: the
  // machine as it stood once the press or tick that executed instruction K was over. It stands still, its
  // texts are those of a preview of the next instruction, and its InstructionsExecuted is K; the caller
  // redraws. The future stays until the machine executes from there or something changes it, which discards
  // it as an editor's undo does. Refused (the current point is returned, nothing changes) while a cycle is
  // under way, as from a listener or a prompt. The timer is the host's: stop a free run first, or the
  // next tick runs on from the restored point.
  uint64_t GoTo(uint64_t point);
  uint64_t StepBack() { return GoTo(CurrentPoint() == 0 ? 0 : CurrentPoint() - 1); }
  // Goes back to the latest point before the current one whose state satisfies `holds` (a breakpoint's
  // or watchpoint's test), or to the oldest point when none does. Returns the point reached.
  uint64_t RunBackTo(const std::function<bool(const MachineState&)>& holds);
  // The LastPWM box's text at the point the machine was last restored to (or recorded at).
  const std::string& LastPwm() const {
    SettlePwm();
    return lastPwm_;
  }

  // The last instruction up to the current point that changed the target's value.
  struct Write {
    uint64_t Instruction = 0;  // executed-instruction number
    int Address = 0;           // its linear token address
  };
  std::optional<Write> WhoWrote(const HistoryTarget& target);

  // Bytes held, for the benchmarks.
  size_t MemoryBytes() const;

  // --- recording ---
  void BeforeInstruction(const Machine& machine) override;
  void AfterInstruction(const Machine& machine) override;
  void OnPWM(const Machine& machine, int pin, int duty, int cycles) override;
  void OnInput(const Machine& machine, Opcode reader, Input kind, const std::optional<std::string>& text) override;
  void OnExternalChange(const Machine& machine) override;

 private:
  struct TypedInput {
    uint32_t Offset;  // instruction index within its stretch
    Input Kind;
    std::optional<std::string> Text;
  };
  // A stretch of instructions from one snapshot to the next.
  struct Stretch {
    uint64_t First = 0;    // number of its first instruction
    uint32_t Count = 0;    // instructions recorded
    MachineState Start;    // the state right before the first instruction
    std::string StartPwm;  // the LastPWM box then
    std::vector<uint8_t> Records;
    // The time between instructions the last record gave (recording only); a stretch starts with 1 ms.
    int64_t Pace = 1000;
    std::vector<MachineState> Snapshots;  // states before instructions that followed outside changes
    // The inputs instructions read, in order. A box's text is written only when it differs from the
    // box's text written before in the stretch: a box is typed into rarely and read often.
    std::vector<TypedInput> Inputs;
    std::array<int32_t, 2> LastBox{-1, -1};  // where each box's text was written last (recording only)
  };
  class Replayer;

  [[gnu::noinline]] void Record(const Machine& m, uint8_t flags);
  [[gnu::noinline]] void Rebase(const Machine& m);
  [[gnu::noinline]] void StartStretch(const Machine& m, uint8_t flags);
  [[gnu::noinline]] static void PutChanges(Stretch& s, std::optional<int64_t> pace, std::optional<int32_t> wait);
  [[gnu::noinline]] void TakeSnapshot(Stretch& s, const Machine& m, uint8_t flags);
  void Truncate(uint64_t point);
  void DropOldest();
  size_t StretchOf(uint64_t instruction) const;

  Machine* machine_ = nullptr;
  uint64_t interval_;
  uint64_t window_;
  std::deque<Stretch> stretches_;
  uint64_t origin_ = 0;  // the point recording began at, while nothing is kept
  uint64_t last_ = 0;
  // The LastPWM box's text as the history last restored or recorded it, and as the live run left it.
  mutable std::string lastPwm_;
  mutable std::string livePwm_;
  // An executed PWM sets both texts; a loop may run one often, so the text is formatted only when it is
  // read or replaced (SettlePwm must come first wherever either is used).
  mutable bool pwmPending_ = false;
  int16_t pwmPin_ = 0;
  int16_t pwmDuty_ = 0;
  void SettlePwm() const;
  MachineState originState_;  // the oldest point while no stretch is kept
  std::string originPwm_;
  // The stretch being recorded (the deque's last), kept so the per-instruction path does not walk the
  // deque; refreshed wherever stretches are added or removed at the back.
  Stretch* open_ = nullptr;
  void RefreshOpen() { open_ = stretches_.empty() ? nullptr : &stretches_.back(); }
  // Whether the state differs from what the last instruction left in what the records cannot express.
  bool MovedSinceAfter(const Machine& m) const;

  // What the next instruction's record is measured against: the state the last one left.
  int64_t afterSimTime_ = 0;
  int16_t afterTarget_ = 0;
  int32_t afterWait_ = 0;
  int16_t afterTokByte_ = 0;
  int16_t afterTokBit_ = 0;
  int16_t afterDepth_ = 0;
  std::array<int32_t, 8> afterRam_{};
  std::array<bool, 8> afterSwitches_{};
  bool afterRestart_ = false;
  bool replaced_ = false;  // the machine's state was replaced (attach, going back): snapshot next
};

}  // namespace qx9
