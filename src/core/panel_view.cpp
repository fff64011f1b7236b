// What the front panel shows of the machine, and how the word boxes are read back.
#include <cstdio>

#include "core/machine.h"

namespace qx9 {

std::string HexText(int32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return buffer;
}

std::string WordBoxText(int32_t entry) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(entry) & 0xFFFFu);
  return buffer;
}

namespace {
std::string ByteHex(int value) {
  char buffer[4];
  std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(value) & 0xFFu);
  return buffer;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

// Read like a hexadecimal literal: blanks anywhere are ignored, digits count up to the first other
// character, up to four digits are a signed 16-bit value and five to eight a signed 32-bit one. Of a
// longer run only the last eight digits count, so the value wraps modulo 2^32 instead of overflowing.
int32_t ParseWordBox(const std::string& text) {
  uint32_t value = 0;
  int digits = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    const int d = HexDigit(c);
    if (d < 0) break;
    value = (value << 4) | static_cast<uint32_t>(d);
    ++digits;
  }
  if (digits <= 4) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(value);
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

std::optional<int16_t> ParseWholeNumber(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const size_t last = text.find_last_not_of(" \t");
  size_t i = first;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    ++i;
  }
  if (i > last) return std::nullopt;
  int32_t magnitude = 0;
  for (; i <= last; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 32768) return std::nullopt;
  }
  const int32_t value = negative ? -magnitude : magnitude;
  if (value > 32767) return std::nullopt;
  return static_cast<int16_t>(value);
}

PanelView Machine::MakePanelView() const {
  PanelView view;
  std::string pad = " ";  // keeps the second byte in one column for one- and two-digit byte numbers
  for (int i = 0; i < 8; ++i) {
    view.WordText[i] = WordBoxText(Ram[i]);
    if (i >= 5) pad.clear();
    const std::string low = ByteHex(ReadField(static_cast<int16_t>(i), 255, 0));
    const std::string high = ByteHex(ReadField(static_cast<int16_t>(i), 255, 8));
    if (i < 7) {
      view.ByteText[i] = "B" + std::to_string(2 * i) + "=" + low + pad + "  B" + std::to_string(2 * i + 1) +
                         "=" + high;
    } else {
      view.ByteText[i] = "Pins=" + low + " Dirs=" + high;
    }
  }
  for (int i = 0; i < 8; ++i) {
    view.LedOn[i] = ReadField(kPortWord, 1, static_cast<int16_t>(i)) == 1;
    view.SwitchEnabled[i] = ReadField(kPortWord, 1, static_cast<int16_t>(i + 8)) == 0;
    view.SwitchUp[i] = SwitchUp[i];
  }
  view.StateText = InstrText;
  return view;
}

void Machine::RefreshPanel() { host_->ShowPanel(MakePanelView()); }

void Machine::ReadWordBoxes() {
  for (int i = 0; i < 8; ++i) Ram[i] = ParseWordBox(host_->WordBoxText(i));
}

}  // namespace qx9
