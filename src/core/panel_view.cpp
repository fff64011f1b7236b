// What the front panel shows of the machine, and how the word boxes are read back.
#include <array>
#include <string_view>

#include "core/machine.h"

namespace qx9 {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes the low `digits` hex digits of value, upper-case with leading zeros; returns the end.
char* PutHex(char* out, uint32_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) *out++ = kHexDigits[(value >> (4 * i)) & 0xFu];
  return out;
}
}  // namespace

// These run for every word and byte at every redraw, so they format by hand instead of with printf.
std::string HexText(int32_t value) {
  const auto pattern = static_cast<uint32_t>(value);
  int digits = 1;
  while (digits < 8 && (pattern >> (4 * digits)) != 0) ++digits;
  char buffer[8];
  return std::string(buffer, PutHex(buffer, pattern, digits));
}

std::string WordBoxText(int32_t entry) {
  char buffer[4];
  return std::string(buffer, PutHex(buffer, static_cast<uint32_t>(entry), 4));
}

namespace {
// What each character is to a word box: a hex digit's value, a blank (ignored anywhere), or the end.
constexpr int8_t kBlank = 16;
constexpr int8_t kStop = 17;
constexpr std::array<int8_t, 256> kBoxCharacters = [] {
  std::array<int8_t, 256> table{};
  table.fill(kStop);
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<int8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<int8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<int8_t>(c - 'a' + 10);
  for (const char c : {' ', '\t', '\n', '\r'}) table[static_cast<unsigned char>(c)] = kBlank;
  return table;
}();
}  // namespace

// Read like a hexadecimal literal: blanks anywhere are ignored, digits count up to the first other
// character, up to four digits are a signed 16-bit value and five to eight a signed 32-bit one. Of a
// longer run only the last eight digits count, so the value wraps modulo 2^32 instead of overflowing.
// Every cycle reads eight boxes, hence the table.
int32_t ParseWordBox(const std::string& text) {
  uint32_t value = 0;
  int digits = 0;
  for (const char c : text) {
    const int8_t d = kBoxCharacters[static_cast<unsigned char>(c)];
    if (d == kBlank) continue;
    if (d == kStop) break;
    value = (value << 4) | static_cast<uint32_t>(d);
    ++digits;
  }
  if (digits <= 4) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(value);
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

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

PanelView Machine::MakePanelView() {
  BuildPendingText();
  PanelView view;
  FillPanelView(view);
  return view;
}

// Writes into the view's strings in place, so a view kept from redraw to redraw costs no allocation.
void Machine::FillPanelView(PanelView& view) const {
  for (int i = 0; i < 8; ++i) {
    const auto pattern = static_cast<uint32_t>(Ram[i]) & 0xFFFFu;
    view.WordText[i].resize(4);
    PutHex(view.WordText[i].data(), pattern, 4);
    // The bytes are the word's low and high eight bits, as the field rule reads them.
    std::string& label = view.ByteText[i];
    if (i < 7) {
      // "B0=34   B1=12" .. "B12=AB  B13=00": one blank less after a two-digit byte number keeps the
      // second byte in one column of the fixed-pitch font.
      const int low = 2 * i;
      const int high = 2 * i + 1;
      label.resize(low < 10 ? 13 : 14);
      char* out = label.data();
      *out++ = 'B';
      if (low >= 10) *out++ = '1';
      *out++ = static_cast<char>('0' + low % 10);
      *out++ = '=';
      out = PutHex(out, pattern, 2);
      if (low < 10) *out++ = ' ';
      *out++ = ' ';
      *out++ = ' ';
      *out++ = 'B';
      if (high >= 10) *out++ = '1';
      *out++ = static_cast<char>('0' + high % 10);
      *out++ = '=';
      PutHex(out, pattern >> 8, 2);
    } else {
      label = "Pins=00 Dirs=00";
      PutHex(label.data() + 5, pattern, 2);
      PutHex(label.data() + 13, pattern >> 8, 2);
    }
  }
  const auto port = static_cast<uint32_t>(Ram[kPortWord]);
  for (int i = 0; i < 8; ++i) {
    view.LedOn[i] = ((port >> i) & 1u) != 0;
    view.SwitchEnabled[i] = ((port >> (i + 8)) & 1u) == 0;
    view.SwitchUp[i] = SwitchUp[i];
  }
  if (TextPendingAt < 0) view.StateText = InstrText;
}

// A box shows a word's 16-bit pattern, which reads back as the word's signed 16-bit value.
void Machine::RefreshPanel() {
  for (int i = 0; i < 8; ++i) ShownWords[i] = WrapWord(Ram[i]);
  ShownValid = true;
  if (host_->WordBoxes() == Host::Boxes::NoPanel) return;
  if (host_->ShowsStateText()) BuildPendingText();
  FillPanelView(view_);
  host_->ShowPanel(view_);
}

void Machine::ReadWordBoxes() { ReadWordBoxes(host_->WordBoxes()); }

void Machine::ReadWordBoxes(Host::Boxes boxes) {
  switch (boxes) {
    case Host::Boxes::MayBeEdited: break;
    case Host::Boxes::AsShown:
      if (!ShownValid) break;  // nothing shown yet, so what the boxes hold is not known here
      Ram = ShownWords;
      return;
    case Host::Boxes::NoPanel:
      if (ShownValid) Ram = ShownWords;  // what untouched boxes would give back
      return;
  }
  const std::array<int32_t, 8> before = Ram;
  for (int i = 0; i < 8; ++i) Ram[i] = ParseWordBox(host_->WordBoxText(i));
  // A typed value is an input from outside, which listeners (the history) must see.
  if (!listeners_.empty() && Ram != before) {
    Notify([this](MachineListener& l) { l.OnExternalChange(*this); });
  }
}

}  // namespace qx9
