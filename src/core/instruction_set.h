#pragma once
// The one description of the instruction set: each opcode's keyword and the fields it reads, in stream
// order, with the source form the assembler writes; the operator, comparison and conjunction texts; the
// variable names. The executor builds its texts from it, the assembler parses with it and the listing
// prints with it, so an instruction is described once.

#include <array>
#include <cstdint>
#include <string_view>

namespace qx9 {

constexpr int kFirstTokenAddress = 19;  // bits 16..18 (the top of byte 2) precede the first opcode
constexpr int kEndAddress = 2048;       // linear token address just past the last bit of the image
constexpr int kOpcodeWidth = 5;
constexpr int kTargetWidth = 11;  // a jump target: a linear token address
constexpr int kVariableWidth = 6;
constexpr int kOperatorWidth = 4;
constexpr int kComparisonWidth = 3;

// Eight to a row, as the opcode table reads.
// clang-format off
enum class Opcode : uint8_t {
  High, Low, Input, Output, Toggle, Reverse, PWM, Pot,
  Pulsout, PulsIn, For, Read, Write, Lookdown, Gosub, Pause,
  Random, Button, Sound, Serout, Serin, Let, Lookup, Next,
  If, Goto, Branch, Return, Nap, Sleep, Debug, End,
};
// clang-format on
constexpr int kOpcodeCount = 32;

// What a field of an instruction is. Composite kinds stand for a run of fields whose count the stream
// decides (each entry ends with a continuation bit, 1 = another follows).
enum class FieldKind : uint8_t {
  Operand,      // flag (1): 1 -> size code (2) and a constant of 1, 4, 8 or 16 bits; 0 -> variable (6)
  Variable,     // variable code (6)
  Target,       // jump target (11)
  Unused,       // read and ignored; its width is given
  Direction,    // Next: 1 counts up, 0 down
  OperandList,  // [operand cont]...
  TargetList,   // [target cont]...
  SoundList,    // [duration (operand) note (operand) cont]...; the text shows the note first
  LetChain,     // operand, target variable, then [op (4) cont | operand op (4) cont]...
  Conditions,   // [operand (right) variable (left) cont conj (1) compare (3)]...
};

struct FieldForm {
  FieldKind Kind = FieldKind::Operand;
  uint8_t Width = 0;  // of an Unused field
};

struct InstructionForm {
  std::string_view Keyword;
  uint8_t FieldCount = 0;
  std::array<FieldForm, 6> Fields{};
  // The assembler's text: {N} stands for field N's text; an Unused field writes " [value]" unless 0.
  std::string_view Source;
  bool FallsThrough = true;  // execution may go on after it
  bool Emulated = true;      // false: executing it reports so and restarts the program
};

const InstructionForm& FormOf(Opcode opcode);
inline const InstructionForm& FormOf(int opcode) { return FormOf(static_cast<Opcode>(opcode & 31)); }
inline std::string_view Keyword(Opcode opcode) { return FormOf(opcode).Keyword; }
// Whether the instruction's 11-bit fields are jump targets.
bool HasTargets(const InstructionForm& form);

// Let's operators by their 4-bit code: code 0 has no text, code 1 (plain assignment) shows none.
std::string_view OperatorText(int code);
// If's comparisons by their 3-bit code: 0 and 7 have no text.
std::string_view ComparisonText(int code);
// The conjunction bit of If: 1 AND, 0 OR.
std::string_view ConjunctionText(bool conjunctionAnd);
// The word between a condition and its target in If and Next.
constexpr std::string_view kThenWord = "Then";

// The 6-bit variable codes: name, word, mask, shift. Codes 49 and 63 name nothing (mask 0); the odd W
// codes repeat the even one below them.
// A variable reference: word index (0..7), mask (1, 255 or all bits) and shift (0..15).
struct VarRef {
  int16_t Index = 0;
  int32_t Mask = 0;
  int16_t Shift = 0;
};
struct VariableCode {
  std::string_view Name;
  VarRef Ref;
};
const VariableCode& VariableOf(int code);
// The name of a 6-bit variable code ("Pin3", "B1", "W0" for 50 and 51, ...); empty for 49 and 63.
std::string_view VariableName(int code);

}  // namespace qx9
