#pragma once
// The scalar values of a scenario, read strictly: whole numbers and durations.

#include <cstdint>
#include <string>

namespace qx9::scenario {

// Decimal or 0x hexadecimal, with an optional minus sign; false for anything else.
bool ParseInteger(const std::string& text, int64_t& value);
// "500ms", "2s", "0.25s" to microseconds: whole milliseconds, no sign; false for anything else.
bool ParseDurationText(const std::string& text, int64_t& us);

}  // namespace qx9::scenario
