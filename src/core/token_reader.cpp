// The token reader: bits most significant first, from byte 2 of the image upward.
//
// Position: TokByte and TokBit (7..0, or -1 once a byte is used up; the move to the next byte is made
// only when the next bit is read). Two numberings of a position exist and are never mixed:
//   linear token address  a = 8 x byte + 7 - bit   (jump targets written in the program, 11 bits)
//   saved position        p = 8 x byte + bit       (return stack and step-over stop)
// The image ends at linear address 2048; reads there yield 0 and leave the position at the end, so
// nothing outside the 256 entries is ever indexed.
#include <string>

#include "core/machine.h"

namespace qx9 {

int16_t Machine::ReadBit() {
  const int address = LinearAddress();
  const int16_t bit = TakeBit();
  if (observer_ != nullptr) observer_->OnField(address, 1, bit);
  return bit;
}

int16_t Machine::TakeBit() {
  if (TokBit < 0) {
    ++TokByte;
    TokBit = 7;
  }
  if (TokByte < 0 || TokByte >= kImageSize) {
    TokByte = kImageSize;  // (256, 7): exactly the end of the image
    TokBit = 7;
    return 0;
  }
  const int16_t bit = (Eeprom[TokByte] >> TokBit) & 1;
  --TokBit;
  return bit;
}

int16_t Machine::ReadBits(int n) {
  const int address = LinearAddress();
  int32_t acc = 0;
  for (int i = 0; i < n; ++i) acc = 2 * acc + TakeBit();
  if (observer_ != nullptr && n > 0) observer_->OnField(address, n, acc);
  return WrapWord(acc);
}

// Size code (2 bits) then the value: 0 -> 1 bit, 1 -> 4 bits, 2 -> 8 bits, 3 -> 16 bits (signed).
int16_t Machine::ReadConst() {
  static constexpr int kWidths[4] = {1, 4, 8, 16};
  const int16_t value = ReadBits(kWidths[ReadBits(2)]);
  OperandText = std::to_string(value);
  return value;
}

// 6-bit variable code:
//   0..7 Pin0..7   8..15 Dir0..7   16..31 Bit0..15   32 Pins   33 Dirs
//   34..47 B0..B13   48 Port   50..62 W0..W6 (odd codes repeat the even one below)
//   49, 63 name nothing: mask 0, and OperandText keeps its text.
VarRef Machine::VarName() {
  const int code = ReadBits(6);
  if (code <= 7) {
    OperandText = "Pin" + std::to_string(code);
    return {kPortWord, 1, static_cast<int16_t>(code)};
  }
  if (code <= 15) {
    OperandText = "Dir" + std::to_string(code - 8);
    return {kPortWord, 1, static_cast<int16_t>(code)};
  }
  if (code <= 31) {
    OperandText = "Bit" + std::to_string(code - 16);
    return {0, 1, static_cast<int16_t>(code - 16)};
  }
  if (code == 32) {
    OperandText = "Pins";
    return {kPortWord, 255, 0};
  }
  if (code == 33) {
    OperandText = "Dirs";
    return {kPortWord, 255, 8};
  }
  if (code <= 47) {
    OperandText = "B" + std::to_string(code - 34);
    return {static_cast<int16_t>((code - 34) / 2), 255, static_cast<int16_t>(code % 2 == 0 ? 0 : 8)};
  }
  if (code == 48) {
    OperandText = "Port";
    return {kPortWord, -1, 0};
  }
  if (code == 49 || code == 63) return {0, 0, 0};
  const int16_t word = static_cast<int16_t>((code - 50) / 2);
  OperandText = "W" + std::to_string(word);
  return {word, -1, 0};
}

int16_t Machine::ReadVar() { return ReadField(VarName()); }

// Flag bit: 1 -> a constant follows, 0 -> a variable code follows.
int16_t Machine::ReadOperand() { return ReadBit() ? ReadConst() : ReadVar(); }

void Machine::JumpTo(int linearAddress) {
  TokByte = static_cast<int16_t>(linearAddress / 8);
  TokBit = static_cast<int16_t>(7 - linearAddress % 8);
}

int Machine::NextOpcode() {
  if (AtEnd()) return kEndOpcode;
  const int16_t byte = TokByte;
  const int16_t bit = TokBit;
  const int opcode = ReadBits(5);
  TokByte = byte;
  TokBit = bit;
  return opcode;
}

int16_t Machine::SavePosition() {
  if (TokBit < 0) {
    ++TokByte;
    TokBit = 7;
  }
  return static_cast<int16_t>(TokByte * 8 + TokBit);
}

void Machine::RestorePosition(int16_t saved) {
  TokByte = static_cast<int16_t>(saved / 8);
  TokBit = static_cast<int16_t>(saved % 8);
}

}  // namespace qx9
