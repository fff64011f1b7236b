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

// The rule itself, for what the inline fast path leaves: fields in the image's last bytes, fields that
// run off its end or start outside it, and positions no reader produces (restored from elsewhere).
int16_t Machine::ReadBitsSlow(int n) {
  const int address = LinearAddress();
  int32_t acc = 0;
  if (n > 0 && n <= 16 && TokByte >= 0 && TokBit >= -1 && TokBit <= 7 && address + n <= kEndAddress) {
    const int first = address / 8;
    uint32_t window = 0;
    for (int i = 0; i < 3; ++i) {
      const int index = first + i;
      window = (window << 8) | (index < kImageSize ? (static_cast<uint32_t>(Eeprom[index]) & 0xFFu) : 0u);
    }
    acc = static_cast<int32_t>((window >> (24 - address % 8 - n)) & ((1u << n) - 1u));
    MoveAfterField(address + n);
  } else {
    for (int i = 0; i < n; ++i) acc = 2 * acc + TakeBit();
  }
  if (observer_ != nullptr && n > 0) observer_->OnField(address, n, acc);
  return WrapWord(acc);
}

void Machine::SetOperandNumber(int16_t value) {
  char text[8];
  OperandText.assign(text, std::to_chars(text, text + sizeof text, value).ptr);
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
