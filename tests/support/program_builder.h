#pragma once
// Builds QX9 program images bit by bit, for tests, examples and generated programs.
//
// Bits are written most significant first from bit 7 of byte 2. A new builder first writes the three
// bits that every reset skips (as 0), so the first instruction's opcode starts at linear address 19,
// where the machine starts decoding. Jump targets are linear token addresses (8 x byte + bits of that
// byte before the addressed bit); labels name them and are resolved by Build().

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qx9::test {

// A size-coded constant or a variable, as an operand of an instruction.
struct Operand {
  bool IsConst = true;
  int Value = 0;      // constant value (-32768..65535; 16-bit patterns of 0x8000 and up read negative)
  int SizeCode = -1;  // -1: the smallest size code that holds Value; 0..3 forces it
  std::string Var;    // variable name when !IsConst ("B0", "W3", "Pin2", "Port", ...)
  int VarCode = -1;   // raw 6-bit variable code, used instead of Var when >= 0 (for codes 49 and 63)
};
Operand C(int value, int sizeCode = -1);  // constant
Operand V(const std::string& name);       // variable by name
Operand VCode(int code);                  // variable by raw code

// A jump target: a label (resolved at Build) or a linear token address.
struct Target {
  Target(const char* label) : Label(label) {}             // NOLINT: implicit on purpose, reads naturally
  Target(std::string label) : Label(std::move(label)) {}  // NOLINT
  Target(int address) : Address(address) {}               // NOLINT
  std::string Label;
  int Address = -1;
};

// One step of a Let: the operator code (0..15) and the operand it applies to.
struct LetStep {
  int Op = 1;
  Operand Value;
};

// One condition of an If: Var (left side) Compare (code 0..7) Right; And selects the conjunction bit
// (1 = AND, 0 = OR; the first condition counts only when it is an OR).
struct Condition {
  Operand Var;  // must be a variable (V or VCode)
  int Compare = 4;
  Operand Right;
  bool And = false;
};

class ProgramBuilder {
 public:
  ProgramBuilder();

  // Raw writing.
  ProgramBuilder& Bits(uint32_t value, int width);   // the low `width` bits of value, MSB first
  ProgramBuilder& Const(const Operand& constant);    // size code + value (no flag bit)
  ProgramBuilder& VarCode(const Operand& variable);  // 6-bit variable code
  ProgramBuilder& Op(const Operand& operand);        // flag bit, then constant or variable code
  ProgramBuilder& Addr(const Target& target);        // 11-bit target (fixed up at Build for labels)

  // Labels and positions.
  ProgramBuilder& Label(const std::string& name);  // names the current linear address
  int Here() const { return bitPos_; }             // linear address of the next bit written
  int AddressOf(const std::string& label) const;   // after the label is defined

  // Data for Read/Write: data location a is image entry 255 - a. Raw bytes anywhere (0 and 1 too).
  ProgramBuilder& Data(int location, uint8_t value);
  ProgramBuilder& Byte(int index, uint8_t value);

  // Instructions (opcode, then the fields in stream order); a table (entries, Sound's (duration code, note)
  // groups, Let's steps, If's conditions, Branch's targets) needs at least one entry.
  ProgramBuilder& High(const Operand& pin);
  ProgramBuilder& Low(const Operand& pin);
  ProgramBuilder& Input(const Operand& pin);
  ProgramBuilder& Output(const Operand& pin);
  ProgramBuilder& Toggle(const Operand& pin);
  ProgramBuilder& Reverse(const Operand& pin);
  ProgramBuilder& Pwm(const Operand& pin, const Operand& duty, const Operand& third);
  ProgramBuilder& Pot(const Operand& pin, const Operand& second, const Operand& target);
  ProgramBuilder& Pulsout(const Operand& pin, const Operand& second);
  ProgramBuilder& PulsIn(const Operand& pin, const Operand& second, const Operand& target);
  ProgramBuilder& For(const Operand& start, const Operand& variable);
  ProgramBuilder& Read(const Operand& location, const Operand& target, int unused11 = 0);
  ProgramBuilder& Write(const Operand& location, const Operand& variable, int unused11 = 0);
  ProgramBuilder& Lookdown(const Operand& value, const Operand& target, const std::vector<Operand>& entries);
  ProgramBuilder& Gosub(const Target& target, int unused4 = 0);
  ProgramBuilder& Pause(const Operand& ms);
  ProgramBuilder& Random(const Operand& target);
  ProgramBuilder& Sound(const Operand& pin, const std::vector<std::pair<Operand, Operand>>& groups);
  ProgramBuilder& Let(const Operand& target, const std::vector<LetStep>& steps);
  ProgramBuilder& Lookup(const Operand& index, const Operand& target, const std::vector<Operand>& entries);
  ProgramBuilder& Next(const Operand& step, const Operand& variable, bool up, const Operand& limitA,
                       const Operand& limitB, const Target& target);
  ProgramBuilder& If(const std::vector<Condition>& conditions, const Target& target);
  ProgramBuilder& Goto(const Target& target);
  ProgramBuilder& Branch(const Operand& index, const std::vector<Target>& targets);
  ProgramBuilder& Nap(const Operand& period, int unused11 = 0);
  ProgramBuilder& Sleep(const Operand& seconds, int unused11 = 0);
  ProgramBuilder& Debug(int unused11 = 0);
  ProgramBuilder& Button();
  ProgramBuilder& Serout();
  ProgramBuilder& Serin();
  ProgramBuilder& Return();
  ProgramBuilder& End();

  // The 256-byte image. Throws std::logic_error for an undefined or duplicate label, a target beyond
  // 2047, or code that runs past the end of the image or into bytes set by Data/Byte.
  std::array<uint8_t, 256> Build() const;
  void WriteFile(const std::string& path) const;  // Build() and write exactly 256 bytes

 private:
  std::vector<uint8_t> bits_;  // one entry per bit written from byte 2 on
  int bitPos_ = 16;
  std::map<std::string, int> labels_;
  std::vector<std::pair<int, Target>> fixups_;  // (bit offset of an 11-bit field, target)
  std::map<int, uint8_t> bytes_;                // raw bytes by image index
  std::vector<std::string> duplicateLabels_;
};

// The 6-bit code of a variable name ("Pin3" -> 3, "B1" -> 35, "W0" -> 50, "Port" -> 48, ...), letter case
// ignored; throws std::invalid_argument for an unknown name.
int VariableCode(const std::string& name);

}  // namespace qx9::test
