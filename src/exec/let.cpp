// Let: a chain of operators evaluated strictly left to right, every step cut to the target's width.
//
// Fields after the opcode:
//   operand 0 | target (6-bit variable code) | op code (4) cont (1) | [operand op code (4) cont (1)]...
// Each op code applies to the operand read just before it, so operand 0 precedes the target. A first
// code other than 1 starts from the target's own value: B0=B0+5 is operand 5, target B0, operator 3.
#include "core/machine.h"

namespace qx9 {

namespace {
// base ** exponent. A non-negative exponent keeps the low 16 bits of the exact power (the caller cuts
// to 16 bits anyway); a negative one rounds the true power to an integer: only 1 and -1 survive.
// Base 0 with a negative exponent has no value and gives all bits set.
int32_t Power(int32_t base, int32_t exponent) {
  if (exponent < 0) {
    if (base == 1) return 1;
    if (base == -1) return (exponent % 2 == 0) ? 1 : -1;
    if (base == 0) return -1;
    return 0;
  }
  uint32_t result = 1;
  uint32_t factor = static_cast<uint32_t>(base);
  for (uint32_t e = static_cast<uint32_t>(exponent); e != 0; e >>= 1) {
    if (e & 1u) result *= factor;
    factor *= factor;
  }
  return static_cast<int32_t>(result & 0xFFFFu);
}

int32_t Apply(int code, int32_t acc, int32_t x) {
  switch (code) {
    case 1: return x;
    case 2: return acc - x;
    case 3: return acc + x;
    case 4: return acc * x;
    case 5: return Power(acc, x);
    case 6: return x == 0 ? acc : acc % x;  // remainder of a division by 0: the accumulator stays
    case 7: return x == 0 ? -1 : acc / x;   // a division by 0 gives all bits set
    case 8: return acc & ~x;
    case 9: return acc & x;
    case 10: return acc | ~x;
    case 11: return acc | x;
    case 12: return acc ^ ~x;
    case 13: return acc ^ x;
    case 14: return acc > x ? x : acc;
    case 15: return acc < x ? x : acc;
    default: return acc;
  }
}
}  // namespace

// The text is appended piece by piece into InstrText, as this runs for every executed Let. Operand 0's
// text is kept because the target's name is read after it; every later operand's text is still in
// OperandText when its operator code has been read.
void Machine::DoLet() {
  int32_t operand = ReadOperand();
  const std::string firstOperandText = texts_ ? OperandText : std::string();
  const VarRef target = VarName();
  const std::string name = texts_ ? OperandText : std::string();
  if (texts_) StartText(Opcode::Let).append(name).append("=");
  int32_t acc = ReadField(target);
  bool first = true;
  for (;;) {
    const int code = ReadBits(kOperatorWidth);
    if (texts_ && first && code != 1) InstrText.append(name);
    if (code == 0) {
      Message("You can't see this");  // shown in previews too
    } else {
      acc = Apply(code, acc, operand);
      if (texts_) InstrText.append(OperatorText(code)).append(first ? firstOperandText : OperandText);
    }
    first = false;
    acc = WrapWord(acc & target.Mask);
    if (ReadBit() == 0) break;
    operand = ReadOperand();
  }
  SetVal(target.Index, static_cast<int16_t>(acc), target.Mask, target.Shift);
}

}  // namespace qx9
