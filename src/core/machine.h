#pragma once
// The emulated QX9 controller: its whole state, the token reader, the instruction set and the machine
// side of the run control. One object; the front end that drives it implements Host.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "core/host.h"
#include "core/instruction_set.h"
#include "core/machine_listener.h"
#include "core/token_observer.h"

namespace qx9 {

constexpr int kImageSize = 256;  // bytes of program memory
constexpr int kStackSize = 17;   // saved return positions
constexpr int kPortWord = 7;     // Ram index of the port word
constexpr int kEndOpcode = static_cast<int>(Opcode::End);

// Reduces x to the signed 16-bit value congruent to it modulo 65536: its low 16 bits, read as two's
// complement. Inline, as nearly every field read and word write goes through it.
inline int16_t WrapWord(int32_t x) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(x) & 0xFFFFu));
}

// The port word's direction bit of pin p; a 16-bit sum, as pin numbers taken from variables can be anything.
inline int16_t DirectionBit(int16_t pin) { return WrapWord(pin + 8); }

// The plain state, kept apart from the operations so it can be saved and restored as a whole
// (the runner's side-effect-free decode, the fuzzer's invariants).
struct MachineState {
  std::array<int32_t, 8> Ram{};              // W0..W6, then the port word (levels low, directions high)
  std::array<int16_t, kImageSize> Eeprom{};  // program image; Write may store any 16-bit value
  int16_t TokByte = 0;                       // byte holding the next token bit
  int16_t TokBit = 0;                        // 7..0, or -1: byte used up, next read moves on
  std::string InstrText;                     // read it through Machine::InstructionText()
  std::string OperandText;
  std::array<int16_t, kStackSize> GosubStack{};
  int16_t GosubDepth = 0;
  bool RestartPending = false;
  bool Busy = false;
  int32_t WaitMs = 0;
  bool StepOverArmed = false;
  int16_t StepOverTarget = 0;  // saved position where a step over stops; 0 = none
  bool ListOnly = false;
  std::array<bool, 8> SwitchUp{};  // the input switches' positions (they survive resets)
  // Simulated time in microseconds, the same whatever the real speed: a timer tick is 1 ms, or 10 ms
  // when it finds a wait pending; an instruction executed by a press (no free run) counts 1 ms; a tone
  // or a rest of Sound counts its length.
  int64_t SimTimeUs = 0;
  std::string LastPWM;  // the voltage text PWM last showed ("Pin3=1.96")
  // The words as the last redraw showed them, for a host whose boxes are untouched since
  // (Host::WordBoxes); valid from the first redraw on.
  std::array<int32_t, 8> ShownWords{};
  bool ShownValid = false;
  // The text of an executed instruction is built only when read: InstrText then lacks the text of the
  // instruction executed at this linear address (-1: none). TextPendingJumped: the instruction executed
  // last was an If that jumped.
  int16_t TextPendingAt = -1;
  bool TextPendingJumped = false;

  bool operator==(const MachineState&) const = default;
};

// One field of an instruction as the token reader took it.
struct DecodedField {
  int Address = 0;  // linear token address of its first bit
  int Width = 0;
  uint32_t Value = 0;
};

// One instruction as the core's own decode reads it, without executing it.
struct Decoded {
  int Start = 0;
  int End = 0;  // linear address after the last field
  int Opcode = 31;
  std::vector<DecodedField> Fields;  // the opcode first; only when asked for
  std::string Text;                  // the panel's text
  bool OffEnd = false;               // some field lies beyond the image's last bit
  bool FallsThrough = true;          // execution may go on at End
  std::vector<int> Targets;          // jump targets written in the instruction (with the fields)
};

class Machine : public MachineState {
 public:
  explicit Machine(Host& host) : host_(&host) {}
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  Host& host() const { return *host_; }

  // --- words --------------------------------------------------------------------------------
  void SetVal(int16_t index, int16_t value, int32_t mask, int16_t shift);
  int16_t ReadField(int16_t index, int32_t mask, int16_t shift) const;
  int16_t ReadField(const VarRef& v) const { return ReadField(v.Index, v.Mask, v.Shift); }

  // --- token reader -------------------------------------------------------------------------
  int16_t ReadBit();
  int16_t ReadBits(int n);
  int16_t ReadConst();
  const VarRef& VarName();
  int16_t ReadVar();
  int16_t ReadOperand();
  // Linear token address of the next bit: 8 x byte + bits of that byte already read.
  int LinearAddress() const { return TokByte * 8 + 7 - TokBit; }
  bool AtEnd() const { return LinearAddress() >= kEndAddress; }
  void JumpTo(int linearAddress);
  // The opcode at the token position, read without moving it (End at the end of the image).
  int NextOpcode();
  int16_t SavePosition();
  void RestorePosition(int16_t saved);
  // Reports every field the reader takes from now on; nullptr (the default) reports nothing.
  void SetTokenObserver(TokenObserver* observer) { observer_ = observer; }

  // --- listeners ----------------------------------------------------------------------------
  void AddListener(MachineListener& listener);
  void RemoveListener(MachineListener& listener);

  // --- loading and reset --------------------------------------------------------------------
  // Reads the first 256 bytes of a file into the image; false (image untouched) when it cannot.
  bool LoadObjectFile(const std::string& path);
  void LoadImage(const std::array<uint8_t, kImageSize>& bytes);
  void ResetMachine();

  // --- the instruction cycle ----------------------------------------------------------------
  void ExecuteNext();

  // --- panel side -------------------------------------------------------------------------
  void RefreshPanel();
  void ReadWordBoxes();
  PanelView MakePanelView();

  // --- run control ----------------------------------------------------------------------------
  void RunBtn_Click();
  void Step_Click();
  void StepOver_Click();
  void Timer1_Timer();
  // Whether the next tick would start a cycle (the wait it counts down is over and no cycle runs).
  bool TickWillRunCycle() const;
  void PreviewNext();
  void GInBtn_Click(int index);
  // The load step after the image is in place: redraw, set the restart flag, run the first cycle.
  void StartProgram();
  // Asked before every cycle of a free run or a step over's run, once the run has executed an
  // instruction: true stops the run before the next instruction (breakpoints, conditions, watchpoints).
  using BreakCheck = std::function<bool(const Machine&)>;
  void SetBreakCheck(BreakCheck check) { breakCheck_ = std::move(check); }

  // The text and linear address of the instruction that would execute next, decoded on a copy of the
  // state with every host effect withheld (no message box, no LastPWM, no redraw).
  struct Peek {
    int Address = 0;
    int Opcode = kEndOpcode;
    std::string Text;
  };
  Peek PeekNext();

  // The one decode-only entry point: the instruction whose opcode starts at linear address 0..2047,
  // decoded as a preview would, with the position, words and image left as they were. Quiet withholds
  // every host effect and listener (a listing, a peek); Shown lets the preview's messages and LastPWM
  // through, as PreviewNext does. withFields also records the fields and jump targets.
  enum class DecodeEffects { Quiet, Shown };
  Decoded Decode(int address, DecodeEffects effects, bool withFields = false);

  // The decoded text of the instruction executed or previewed last (what InstrText holds once built).
  const std::string& InstructionText();

  // Whether the next cycle resets the machine (after End or a restart) instead of executing.
  bool NextCycleResets() const { return RestartPending; }

  // Counters for front ends that report on a run; not part of the machine state.
  uint64_t InstructionsExecuted = 0;  // cycles that executed an instruction (not previews, not resets)
  uint64_t RestartsRun = 0;           // restart sequences (End, unemulated instructions, stack errors)

  // What the latest executed instruction did, for listeners; not part of the machine state either.
  int64_t InstructionStartUs = 0;  // SimTimeUs when it started (a Sound moves the clock on)
  // WordsWritten[i] is 1 when Ram[i] was written since it started (a reset writes W0..W6). Listeners
  // that follow the words look at these instead of comparing all eight; a byte each, so a write marks
  // its word with one store and the start clears all eight with another.
  std::array<uint8_t, 8> WordsWritten{};

  // The ticks from now on that would only count a wait down, and skipping them at once: the same as
  // calling Timer1_Timer that many times, for front ends that simulate time instead of waiting for it.
  int32_t IdleTicksAhead() const;
  void SkipIdleTicks(int32_t ticks);

 private:
  using Handler = void (Machine::*)();
  static const std::array<Handler, kOpcodeCount> kHandlers;

  void RestartSequence();
  void StopRunIfRunning();
  // A message box of the machine's own, told to the listeners first.
  void Message(const std::string& text);
  template <typename Event>
  void Notify(Event event) {
    for (MachineListener* listener : listeners_) event(*listener);
  }
  // A click of Step or Step Over counts 1 ms for each instruction it executed.
  void CountPressTime(uint64_t executedBefore);
  // Whether the break check stops the run before this cycle; if so the run is stopped and told.
  bool BreakBeforeCycle();

  BreakCheck breakCheck_;
  uint64_t runStartExecuted_ = 0;  // InstructionsExecuted when the current run began

  // Pins
  void DoHigh();
  void DoLow();
  void DoInput();
  void DoOutput();
  void DoToggle();
  void DoReverse();
  int16_t ReadPinOperand(Opcode opcode);
  void SetPinBit(int32_t bit, int16_t value);
  int16_t PinBit(int32_t bit) const;

  // Timing, pulse and analog
  void DoPWM();
  void DoPot();
  void DoPulsout();
  void DoPulsIn();
  void DoPause();
  void DoNap();
  void DoSleep();
  void DoSound();
  void StoreTypedValue(const VarRef& target, MachineListener::Input box, const std::string& boxText,
                       const std::string& prompt);

  // Data and miscellaneous
  void DoRead();
  void DoWrite();
  void DoRandom();
  void DoButton();
  void DoSerout();
  void DoSerin();
  void DoGoto();
  void DoDebug();
  void DoEnd();
  void Unimplemented(Opcode opcode);

  // Let and If
  void DoLet();
  void DoIf();

  // Gosub, Return, For, Next
  void DoGosub();
  void DoReturn();
  void DoFor();
  void DoNext();

  // Tables
  void DoBranch();
  void DoLookup();
  void DoLookdown();

  // InstrText set to the keyword and one blank, for the operands to follow.
  std::string& StartText(Opcode opcode) { return InstrText.assign(Keyword(opcode)).append(" "); }

  int16_t TakeBit();  // one bit, unreported: ReadBit and ReadBits report whole fields
  int16_t ReadBitsSlow(int n);
  // The position just after a field that ends at linear address end (> 0): a used-up byte stays
  // current (bit -1) until the next read.
  void MoveAfterField(int end) {
    TokByte = static_cast<int16_t>((end - 1) >> 3);
    TokBit = static_cast<int16_t>(6 - ((end - 1) & 7));
  }
  void SetOperandNumber(int16_t value);  // OperandText: the constant in decimal

  // The decode of the instruction at the token position in decode-only mode; the position moves past it.
  void DecodeHere();
  // Builds the text InstrText lacks, if any (TextPendingAt).
  void BuildPendingText();
  // Whether this cycle builds texts: a decode does, an executed instruction leaves it to the reader.
  bool texts_ = true;
  int forcedJump_ = -1;  // a pending If's text: 1 shows the jump mark, 0 not, -1 as the words say

  Host* host_;
  TokenObserver* observer_ = nullptr;
  std::vector<MachineListener*> listeners_;
  std::vector<MachineListener*> startListeners_;  // those of listeners_ that watch instruction starts
  void FillPanelView(PanelView& view) const;
  void ReadWordBoxes(Host::Boxes boxes);  // as the host answered WordBoxes() for this cycle
  PanelView view_;                        // the redraws' view, kept so its strings keep their room
};

// Text helpers shared by the instructions and the front ends.
std::string HexText(int32_t value);      // upper-case, no prefix, no leading zeros
std::string WordBoxText(int32_t entry);  // the word's 16-bit pattern as four hex digits
int32_t ParseWordBox(const std::string& text);
// A whole decimal number with optional sign in -32768..32767, blanks around it ignored.
std::optional<int16_t> ParseWholeNumber(const std::string& text);
bool IsBlank(const std::string& text);
// The variable a name stands for (W0..W6, B0..B13, Bit0..Bit15, Port, Pins, Dirs, Pin0..7, Dir0..7,
// any case); nullopt for any other text.
std::optional<VarRef> VariableByName(std::string_view name);
// The LastPWM box's text after a PWM on pin with duty ("Pin3=2.51").
std::string PwmText(int16_t pin, int16_t duty);
// Where a 6-bit variable code's value lives (mask 0 for the codes that name nothing).
VarRef VariableRef(int code);
// Sound's note to frequency in whole Hz (0 for note 0; values outside 37..32767 are played as rests).
int NoteFrequency(int16_t note);

// Words and fields: the only ways a word of the machine is written and read. Inline, as every
// instruction reads and writes words through them.

// A field lies inside the 16-bit pattern only for shifts 0..15; pin numbers taken from variables can
// ask for any shift, and such a field neither changes nor reads anything.
inline bool ShiftInWord(int16_t shift) { return shift >= 0 && shift <= 15; }

inline void Machine::SetVal(int16_t index, int16_t value, int32_t mask, int16_t shift) {
  if (ListOnly || index < 0 || index > 7 || !ShiftInWord(shift)) return;
  // Clear the field, then put the low bits of value into it; arithmetic on the 32-bit pattern keeps
  // the low 16 bits exact, which is all a word holds.
  const uint32_t field = static_cast<uint32_t>(mask) << shift;
  uint32_t word = static_cast<uint32_t>(Ram[index]) & ~field;
  word |= (static_cast<uint32_t>(value) & static_cast<uint32_t>(mask)) << shift;
  Ram[index] = WrapWord(static_cast<int32_t>(word));
  WordsWritten[index] = 1;
}

inline int16_t Machine::ReadField(int16_t index, int32_t mask, int16_t shift) const {
  if (index < 0 || index > 7 || !ShiftInWord(shift)) return 0;
  // Only the 16-bit pattern counts, also for entries a word box loaded outside the signed range.
  const uint32_t pattern = static_cast<uint32_t>(Ram[index]) & 0xFFFFu;
  return WrapWord(static_cast<int32_t>((pattern >> shift) & static_cast<uint32_t>(mask)));
}

// The token reader's per-field path, inline because every instruction reads several fields through it.

inline int16_t Machine::ReadBits(int n) {
  const int address = LinearAddress();
  const int first = address >> 3;
  // Fast path: a field of 1..16 bits from a position the reader itself produced, whose three bytes
  // (offset 0..7 plus up to 16 bits) lie inside the image; everything else takes the rule bit by bit.
  if (n <= 0 || n > 16 || static_cast<unsigned>(TokBit + 1) > 8u || static_cast<unsigned>(first) > kImageSize - 3u) {
    return ReadBitsSlow(n);
  }
  const uint32_t window = (static_cast<uint32_t>(Eeprom[first]) & 0xFFu) << 16 |
                          (static_cast<uint32_t>(Eeprom[first + 1]) & 0xFFu) << 8 |
                          (static_cast<uint32_t>(Eeprom[first + 2]) & 0xFFu);
  const uint32_t value = (window >> (24 - (address & 7) - n)) & ((1u << n) - 1u);
  MoveAfterField(address + n);
  if (observer_ != nullptr) observer_->OnField(address, n, static_cast<int>(value));
  return static_cast<int16_t>(static_cast<uint16_t>(value));
}

inline int16_t Machine::ReadBit() { return ReadBits(1); }

// Size code (2 bits) then the value: 0 -> 1 bit, 1 -> 4 bits, 2 -> 8 bits, 3 -> 16 bits (signed).
inline int16_t Machine::ReadConst() {
  static constexpr int kWidths[4] = {1, 4, 8, 16};
  const int16_t value = ReadBits(kWidths[ReadBits(2) & 3]);
  if (texts_) SetOperandNumber(value);
  return value;
}

inline const VarRef& Machine::VarName() {
  const VariableCode& v = VariableOf(ReadBits(kVariableWidth));
  if (texts_ && !v.Name.empty()) OperandText.assign(v.Name);
  return v.Ref;  // by reference into the table: a copy made here would be read back wider than written
}

inline int16_t Machine::ReadVar() { return ReadField(VarName()); }

// Flag bit: 1 -> a constant follows, 0 -> a variable code follows. Without an observer (which must see
// every field on its own) the whole operand, at most 1 + 2 + 16 bits, is taken from one 32-bit window.
inline int16_t Machine::ReadOperand() {
  const int address = LinearAddress();
  const int first = address >> 3;
  if (observer_ != nullptr || static_cast<unsigned>(TokBit + 1) > 8u ||
      static_cast<unsigned>(first) > kImageSize - 4u) {
    return ReadBit() ? ReadConst() : ReadVar();
  }
  const uint32_t bits =
      ((static_cast<uint32_t>(Eeprom[first]) & 0xFFu) << 24 | (static_cast<uint32_t>(Eeprom[first + 1]) & 0xFFu) << 16 |
       (static_cast<uint32_t>(Eeprom[first + 2]) & 0xFFu) << 8 | (static_cast<uint32_t>(Eeprom[first + 3]) & 0xFFu))
      << (address & 7);  // the flag is now bit 31
  if ((bits >> 31) == 0) {
    const int code = static_cast<int>((bits >> (31 - kVariableWidth)) & 63u);
    MoveAfterField(address + 1 + kVariableWidth);
    const VariableCode& v = VariableOf(code);
    if (texts_ && !v.Name.empty()) OperandText.assign(v.Name);
    return ReadField(v.Ref);
  }
  static constexpr int kWidths[4] = {1, 4, 8, 16};
  const int width = kWidths[(bits >> 29) & 3u];
  const auto value = static_cast<int16_t>(static_cast<uint16_t>((bits << 3) >> (32 - width)));
  MoveAfterField(address + 3 + width);
  if (texts_) SetOperandNumber(value);
  return value;
}

}  // namespace qx9
