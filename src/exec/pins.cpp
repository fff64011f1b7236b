// Pin instructions. Field layout after the opcode: one operand, the pin number p.
// In the port word bit p is the pin's level and bit p+8 its direction (1 = output).
#include "core/machine.h"

namespace qx9 {

int16_t Machine::ReadPinOperand(Opcode opcode) {
  const int16_t pin = ReadOperand();
  if (texts_) StartText(opcode) += OperandText;
  return pin;
}

void Machine::SetPinBit(int32_t bit, int16_t value) { SetVal(kPortWord, value, 1, static_cast<int16_t>(bit)); }

int16_t Machine::PinBit(int32_t bit) const { return ReadField(kPortWord, 1, static_cast<int16_t>(bit)); }

void Machine::DoHigh() {
  const int16_t p = ReadPinOperand(Opcode::High);
  SetPinBit(DirectionBit(p), 1);
  SetPinBit(p, 1);
}

void Machine::DoLow() {
  const int16_t p = ReadPinOperand(Opcode::Low);
  SetPinBit(DirectionBit(p), 1);
  SetPinBit(p, 0);
}

void Machine::DoInput() {
  const int16_t p = ReadPinOperand(Opcode::Input);
  SetPinBit(DirectionBit(p), 0);
}

void Machine::DoOutput() {
  const int16_t p = ReadPinOperand(Opcode::Output);
  SetPinBit(DirectionBit(p), 1);
}

// Toggle makes the pin an output first, then inverts the level it reads.
void Machine::DoToggle() {
  const int16_t p = ReadPinOperand(Opcode::Toggle);
  SetPinBit(DirectionBit(p), 1);
  SetPinBit(p, static_cast<int16_t>(1 - PinBit(p)));
}

// Reverse flips the direction only.
void Machine::DoReverse() {
  const int16_t p = ReadPinOperand(Opcode::Reverse);
  const int16_t d = DirectionBit(p);
  SetPinBit(d, static_cast<int16_t>(1 - PinBit(d)));
}

}  // namespace qx9
