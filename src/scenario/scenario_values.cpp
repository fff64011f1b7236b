#include "scenario/scenario_values.h"

namespace qx9::scenario {

bool ParseInteger(const std::string& text, int64_t& value) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  int base = 10;
  if (text.size() > i + 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size() || text.size() - i > 12) return false;
  value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * base + digit;
  }
  if (negative) value = -value;
  return true;
}

bool ParseDurationText(const std::string& text, int64_t& us) {
  std::string number = text;
  int64_t unitUs = 0;
  if (number.size() > 2 && number.ends_with("ms")) {
    number.resize(number.size() - 2);
    unitUs = 1000;
  } else if (number.size() > 1 && number.ends_with("s")) {
    number.resize(number.size() - 1);
    unitUs = 1000000;
  } else {
    return false;
  }
  const size_t dot = number.find('.');
  const std::string whole = number.substr(0, dot);
  const std::string fraction = dot == std::string::npos ? "" : number.substr(dot + 1);
  if (whole.empty() || whole.size() > 9 || (dot != std::string::npos && fraction.empty())) return false;
  // A fraction may go down to a millisecond and no further.
  const size_t maxFraction = unitUs == 1000 ? 0 : 3;
  if (fraction.size() > maxFraction) return false;
  for (char c : whole + fraction) {
    if (c < '0' || c > '9') return false;
  }
  us = std::stoll(whole) * unitUs;
  int64_t scale = unitUs / 10;
  for (char c : fraction) {
    us += (c - '0') * scale;
    scale /= 10;
  }
  return true;
}

}  // namespace qx9::scenario
