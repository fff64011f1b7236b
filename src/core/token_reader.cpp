// The token reader: bits most significant first, from byte 2 of the image upward.
//
// Position: TokByte and TokBit (7..0, or -1 once a byte is used up; the move to the next byte is made
// only when the next bit is read). Two numberings of a position exist and are never mixed:
//   linear token address  a = 8 x byte + 7 - bit   (jump targets written in the program, 11 bits)
//   saved position        p = 8 x byte + bit       (return stack and step-over stop)
// The image ends at linear address 2048; reads there yield 0 and leave the position at the end, so
// nothing outside the 256 entries is ever indexed.
#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

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

// Takes a whole field at once where it lies inside the image (every field of a program that stays
// there); the bit-by-bit path keeps the rule for fields that run off the end or start outside it.
int16_t Machine::ReadBits(int n) {
  const int address = LinearAddress();
  int32_t acc = 0;
  if (n > 0 && n <= 16 && TokByte >= 0 && TokBit >= -1 && TokBit <= 7 && address + n <= kEndAddress) {
    // The field lies within the three bytes from the one holding its first bit (offset 0..7, n <= 16).
    const int first = address / 8;
    uint32_t window = 0;
    for (int i = 0; i < 3; ++i) {
      const int index = first + i;
      window = (window << 8) | (index < kImageSize ? (static_cast<uint32_t>(Eeprom[index]) & 0xFFu) : 0u);
    }
    acc = static_cast<int32_t>((window >> (24 - address % 8 - n)) & ((1u << n) - 1u));
    // The position after the field; a used-up byte stays current (bit -1) until the next read.
    const int end = address + n;
    if (end % 8 == 0) {
      TokByte = static_cast<int16_t>(end / 8 - 1);
      TokBit = -1;
    } else {
      TokByte = static_cast<int16_t>(end / 8);
      TokBit = static_cast<int16_t>(7 - end % 8);
    }
  } else {
    for (int i = 0; i < n; ++i) acc = 2 * acc + TakeBit();
  }
  if (observer_ != nullptr && n > 0) observer_->OnField(address, n, acc);
  return WrapWord(acc);
}

// Size code (2 bits) then the value: 0 -> 1 bit, 1 -> 4 bits, 2 -> 8 bits, 3 -> 16 bits (signed).
int16_t Machine::ReadConst() {
  static constexpr int kWidths[4] = {1, 4, 8, 16};
  const int16_t value = ReadBits(kWidths[ReadBits(2)]);
  if (texts_) {
    char text[8];
    OperandText.assign(text, std::to_chars(text, text + sizeof text, value).ptr);
  }
  return value;
}

std::optional<VarRef> VariableByName(std::string_view name) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  const auto same = [&](char a, char b) { return lower(a) == lower(b); };
  for (int code = 0; code < 64; ++code) {
    const VariableCode& v = VariableOf(code);
    if (v.Name.empty() || v.Name.size() != name.size()) continue;
    if (std::equal(name.begin(), name.end(), v.Name.begin(), same)) return v.Ref;
  }
  return std::nullopt;
}

VarRef VariableRef(int code) { return code >= 0 && code < 64 ? VariableOf(code).Ref : VarRef{}; }

const VarRef& Machine::VarName() {
  const VariableCode& v = VariableOf(ReadBits(kVariableWidth));
  if (texts_ && !v.Name.empty()) OperandText.assign(v.Name);
  return v.Ref;  // by reference into the table: a copy made here would be read back wider than written
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
  TokenObserver* const observer = observer_;
  observer_ = nullptr;  // a look ahead is no field of the instruction being read
  const int opcode = ReadBits(kOpcodeWidth);
  observer_ = observer;
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
