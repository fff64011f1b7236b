#include "workbench/variable_rows.h"

#include <algorithm>
#include <cstdio>

#include "core/breakpoints.h"

namespace qx9 {

namespace {

std::string Binary(unsigned value, int bits) {
  std::string text;
  for (int i = bits - 1; i >= 0; --i) {
    text += ((value >> i) & 1u) != 0 ? '1' : '0';
    if (i % 4 == 0 && i != 0) text += ' ';
  }
  return text;
}

std::string Hex2(unsigned value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

}  // namespace

// A saved position is 8 x byte + the bit still to read (7..0); the address counts the bits already read.
int SavedPositionAddress(int16_t saved) {
  const int value = static_cast<uint16_t>(saved);
  return (value / 8) * 8 + 7 - value % 8;
}

std::vector<VariableRow> VariableRows(const VariableSource& source) {
  const MachineState& s = *source.State;
  std::vector<VariableRow> rows;
  for (int i = 0; i < 7; ++i) {
    const int16_t value = WrapWord(s.Ram[static_cast<size_t>(i)]);
    rows.push_back({"W" + std::to_string(i), WordBoxText(s.Ram[static_cast<size_t>(i)]), std::to_string(value), i});
  }
  for (int i = 0; i < 14; ++i) {
    const int16_t value = VariableValue(s, FindVariableCode("B" + std::to_string(i)));
    rows.push_back({"B" + std::to_string(i), Hex2(static_cast<unsigned>(value)), std::to_string(value), -1});
  }
  const unsigned w0 = static_cast<unsigned>(s.Ram[0]) & 0xFFFFu;
  rows.push_back({"Bit15..Bit0", Binary(w0, 16), {}, -1});
  const unsigned port = static_cast<unsigned>(s.Ram[kPortWord]) & 0xFFFFu;
  rows.push_back({"Port", WordBoxText(s.Ram[kPortWord]), {}, kPortWord});
  rows.push_back({"Pins (7..0)", Binary(port & 0xFFu, 8), std::to_string(port & 0xFFu), -1});
  rows.push_back({"Dirs (7..0)", Binary(port >> 8, 8), std::to_string(port >> 8), -1});
  rows.push_back({"Gosub depth", std::to_string(s.GosubDepth), {}, -1});
  const int depth = std::clamp<int>(s.GosubDepth, 0, kStackSize);
  for (int i = depth - 1; i >= 0; --i) {
    const int address = SavedPositionAddress(s.GosubStack[static_cast<size_t>(i)]);
    std::string where = AddressText(address);
    const int line = source.Program != nullptr ? source.Program->LineOf(address) : -1;
    if (line >= 0) where += ", line " + std::to_string(line + 1);
    rows.push_back({"Return " + std::to_string(depth - i), where, {}, -1});
  }
  if (source.FileImage != nullptr) {
    for (int i = 0; i < kImageSize; ++i) {
      const int now = s.Eeprom[static_cast<size_t>(i)];
      const int file = (*source.FileImage)[static_cast<size_t>(i)];
      if (now == file) continue;
      rows.push_back({"Image " + std::to_string(i), std::to_string(now), "file: " + std::to_string(file), -1});
    }
  }
  rows.push_back({"LastPWM", source.LastPWM, {}, -1});
  return rows;
}

}  // namespace qx9
