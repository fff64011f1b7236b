// Gosub, Return, For, Next.
//
//   Gosub:  unused (4) | target (11)
//   Return: no fields
//   For:    start (operand) | variable (6)
//   Next:   step (operand) | variable (6) | up (1) | limit A (operand) | limit B (operand) | target (11)
// Next carries the whole loop: it counts up to A or down to B and jumps back while the value before the
// step has not reached the limit. The return stack holds saved positions (8 x byte + bit).
#include "core/machine.h"

namespace qx9 {

void Machine::DoGosub() {
  ReadBits(4);
  const int16_t target = ReadBits(11);
  if (texts_) StartText(Opcode::Gosub) += HexText(target);
  if (ListOnly) return;
  if (GosubDepth >= kStackSize) {
    Message("Gosub stack overflow");
    RestartSequence();
    return;
  }
  SetVal(6, 0, 0xFFFF, 0);  // a call loses W6 (B12, B13)
  const int16_t returnPosition = SavePosition();
  GosubStack[GosubDepth] = returnPosition;
  if (StepOverArmed) {
    // Step Over on a call: run freely until the program comes back here.
    StepOverTarget = returnPosition;
    StepOverArmed = false;
    host_->SetTimerEnabled(true);
  }
  ++GosubDepth;
  JumpTo(target);
}

void Machine::DoReturn() {
  if (texts_) InstrText = Keyword(Opcode::Return);
  if (ListOnly) return;
  if (GosubDepth <= 0) {
    Message("Return without Gosub");
    RestartSequence();
    return;
  }
  SetVal(6, 0, 0xFFFF, 0);  // so does a return
  --GosubDepth;
  RestorePosition(GosubStack[GosubDepth]);
}

void Machine::DoFor() {
  const int16_t start = ReadOperand();
  const std::string startText = texts_ ? OperandText : std::string();
  const VarRef variable = VarName();
  SetVal(variable.Index, start, variable.Mask, variable.Shift);
  if (texts_) StartText(Opcode::For) += OperandText + "=" + startText;
}

void Machine::DoNext() {
  const int32_t step = ReadOperand();
  const VarRef variable = VarName();
  if (texts_) StartText(Opcode::Next) += OperandText;
  const bool up = ReadBit() == 1;
  const int16_t limitA = ReadOperand();
  const int16_t limitB = ReadOperand();
  const int16_t target = ReadBits(11);
  const int32_t current = ReadField(variable);
  const bool jump = up ? current < limitA : current > limitB;
  int32_t next = up ? current + step : current - step;
  if (next < -32768 || next > 32767) next = current;  // a step out of the 16-bit range is not taken
  SetVal(variable.Index, static_cast<int16_t>(next), variable.Mask, variable.Shift);
  if (jump && !ListOnly) JumpTo(target);
}

}  // namespace qx9
