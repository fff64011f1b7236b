// Branch, Lookup, Lookdown: tables written inline, each entry followed by a continuation bit
// (1 = another entry follows). Entries are numbered from 0.
//
//   Branch:   index (operand) | [target (11) cont (1)]...
//   Lookup:   index (operand) | target variable (6) | [entry (operand) cont (1)]...
//   Lookdown: value (operand) | target variable (6) | [entry (operand) cont (1)]...
#include "core/machine.h"

namespace qx9 {

// An index that selects no entry (negative, or past the table) does not jump.
void Machine::DoBranch() {
  const int16_t index = ReadOperand();
  if (texts_) StartText(Opcode::Branch) += OperandText + ",(";
  int chosen = -1;
  int k = 0;
  do {
    const int16_t target = ReadBits(11);
    if (texts_) InstrText += HexText(target) + ",";
    if (k == index) chosen = target;
    ++k;
  } while (ReadBit() == 1);
  if (texts_) InstrText += ")";
  if (!ListOnly && chosen >= 0) JumpTo(chosen);
}

// The selected entry, or 0 when the index selects none.
void Machine::DoLookup() {
  const int16_t index = ReadOperand();
  if (texts_) StartText(Opcode::Lookup) += OperandText + ",(";
  const VarRef target = VarName();
  const std::string name = texts_ ? OperandText : std::string();
  int16_t result = 0;
  int k = 0;
  do {
    const int16_t entry = ReadOperand();
    if (k == index) result = entry;
    if (texts_) InstrText += OperandText + ",";
    ++k;
  } while (ReadBit() == 1);
  if (texts_) InstrText += ")," + name;
  SetVal(target.Index, result, target.Mask, target.Shift);
}

// The number of the last entry equal to the value (all 16 bits); no match leaves the target alone.
void Machine::DoLookdown() {
  const int16_t value = ReadOperand();
  if (texts_) StartText(Opcode::Lookdown) += OperandText + ",(";
  const VarRef target = VarName();
  const std::string name = texts_ ? OperandText : std::string();
  int k = 0;
  do {
    const int16_t entry = ReadOperand();
    if (texts_) InstrText += OperandText + ",";
    if (entry == value) SetVal(target.Index, static_cast<int16_t>(k), target.Mask, target.Shift);
    ++k;
  } while (ReadBit() == 1);
  if (texts_) InstrText += ")," + name;
}

}  // namespace qx9
