// What "who wrote" can be asked about, by name.
#include <cctype>

#include "core/history.h"

namespace qx9 {

namespace {
// "eeprom[I]" with I a decimal 0..255, any case, no blanks.
std::optional<int> ImageEntry(const std::string& name) {
  static constexpr std::string_view kPrefix = "eeprom[";
  if (name.size() < kPrefix.size() + 2 || name.back() != ']') return std::nullopt;
  for (size_t i = 0; i < kPrefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != kPrefix[i]) return std::nullopt;
  }
  const std::string digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - 1);
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  int entry = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    entry = entry * 10 + (c - '0');
  }
  if (entry >= kImageSize) return std::nullopt;
  return entry;
}
}  // namespace

std::optional<HistoryTarget> ParseHistoryTarget(const std::string& name) {
  HistoryTarget target;
  if (const std::optional<VarRef> field = VariableByName(name)) {
    target.Field = *field;
    return target;
  }
  if (const std::optional<int> entry = ImageEntry(name)) {
    target.IsImage = true;
    target.Entry = *entry;
    return target;
  }
  return std::nullopt;
}

}  // namespace qx9
