// Data and miscellaneous instructions: Read, Write, Random, Goto, Debug, and the three that are
// decoded but not emulated.
//
// Read and Write address the image from its top: data location a is entry 255 - a, so data grows
// downward while the program grows upward from byte 2.
#include "core/machine.h"

namespace qx9 {

namespace {
// Locations outside 0..255 (from variables) use their low 8 bits.
int DataEntry(int16_t location) { return 255 - (location & 255); }

// One step of a full-period linear congruential generator on 16-bit patterns (multiplier = 1 mod 4,
// odd increment): a permutation with a single cycle, so repeated draws visit all 65536 patterns.
uint16_t NextRandomPattern(uint16_t seed) { return static_cast<uint16_t>(25173u * seed + 13849u); }
}  // namespace

// Read: an unused 11-bit field, the location (operand), the target variable.
void Machine::DoRead() {
  ReadBits(11);
  const int16_t location = ReadOperand();
  if (texts_) StartText(Opcode::Read) += OperandText + ",";
  const VarRef target = VarName();
  if (texts_) InstrText += OperandText;
  SetVal(target.Index, Eeprom[DataEntry(location)], target.Mask, target.Shift);
}

// Write: an unused 11-bit field, the location (operand), the variable whose whole value is stored.
void Machine::DoWrite() {
  ReadBits(11);
  const int16_t location = ReadOperand();
  if (texts_) StartText(Opcode::Write) += OperandText + ",";
  const int16_t value = ReadVar();
  if (texts_) InstrText += OperandText;
  if (ListOnly) return;
  Eeprom[DataEntry(location)] = value;
}

// Random: the target variable. The generator is reseeded from the variable's value, and the draw (the
// next pattern over 65536, scaled back by 65536) is stored cut to the variable's width.
void Machine::DoRandom() {
  const VarRef target = VarName();
  if (texts_) StartText(Opcode::Random) += OperandText;
  const int16_t seed = ReadField(target);
  const int16_t drawn = WrapWord(NextRandomPattern(static_cast<uint16_t>(seed)));
  SetVal(target.Index, drawn, target.Mask, target.Shift);
}

// Goto: an 11-bit linear token address.
void Machine::DoGoto() {
  const int16_t target = ReadBits(11);
  if (!ListOnly) JumpTo(target);
  if (texts_) StartText(Opcode::Goto).append(HexText(target));
}

// Debug: an unused 11-bit field. Only a user who is stepping is told it does nothing.
void Machine::DoDebug() {
  ReadBits(11);
  if (texts_) InstrText = Keyword(Opcode::Debug);
  if (!ListOnly && !host_->TimerEnabled()) Message("Debug Not Implemented");
}

// Button, Serout and Serin read no fields: executing one reports it and restarts the program.
void Machine::Unimplemented(Opcode opcode) {
  if (ListOnly) {
    if (texts_) StartText(opcode) += "Unimplemented!";
    return;
  }
  Message("Executed an unimplemented command");
  RestartSequence();
}

void Machine::DoButton() { Unimplemented(Opcode::Button); }
void Machine::DoSerout() { Unimplemented(Opcode::Serout); }
void Machine::DoSerin() { Unimplemented(Opcode::Serin); }

}  // namespace qx9
