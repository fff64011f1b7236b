// If ... Then: comparisons of a variable with an operand, combined strictly left to right.
//
// Fields after the opcode:
//   operand (right side) | variable (left side, 6 bits) | cont (1) conj (1) compare (3)
//   [ operand | variable | cont conj compare ]... | target (11-bit linear token address)
// The conjunction bit is 1 for AND and 0 for OR, in the evaluation and the text alike. The result starts
// false and the first condition is combined by its own bit too, so it counts only through an OR.
#include "core/machine.h"

namespace qx9 {

namespace {
bool Compare(int code, int16_t v, int16_t x) {
  switch (code) {
    case 1: return v < x;
    case 2: return v > x;
    case 3: return v != x;
    case 4: return v == x;
    case 5: return v <= x;
    default: return v >= x;
  }
}
}  // namespace

void Machine::DoIf() {
  if (texts_) StartText(Opcode::If);
  int16_t right = ReadOperand();
  std::string rightText = texts_ ? OperandText : std::string();
  int16_t left = ReadVar();
  bool result = false;
  bool first = true;
  for (;;) {
    // The left side's name is still in OperandText: nothing read since sets it.
    const bool more = ReadBit() == 1;
    const bool conjunctionAnd = ReadBit() == 1;
    if (texts_ && !first) InstrText.append(ConjunctionText(conjunctionAnd));
    first = false;
    const int code = ReadBits(kComparisonWidth);
    if (code == 0 || code == 7) {
      Message("Unknown");  // shown in previews too; the result stays as it was
    } else {
      if (texts_) InstrText.append(OperandText).append(ComparisonText(code)).append(rightText);
      const bool c = Compare(code, left, right);
      result = conjunctionAnd ? (result && c) : (result || c);
    }
    if (!more) break;
    right = ReadOperand();
    if (texts_) rightText = OperandText;
    left = ReadVar();
  }
  const int16_t target = ReadBits(kTargetWidth);
  if (texts_) InstrText.append(" ").append(kThenWord).append(" ").append(HexText(target));
  // A text built later for an executed If shows the jump it made, whatever the words are by then.
  const bool shownJump = forcedJump_ >= 0 ? forcedJump_ == 1 : result;
  if (texts_ && shownJump) InstrText.append(" (->)");
  if (!ListOnly) TextPendingJumped = result;
  if (result && !ListOnly) JumpTo(target);
}

}  // namespace qx9
