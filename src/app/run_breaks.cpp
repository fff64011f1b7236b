#include "run_breaks.h"

namespace qx9 {

bool ParseBreakAddress(const std::string& text, int& address) {
  if (text.empty() || text.size() > 3) return false;
  int value = 0;
  for (char c : text) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return false;
    }
    value = value * 16 + digit;
  }
  if (value >= kEndAddress) return false;
  address = value;
  return true;
}

RunBreaks::RunBreaks(const std::vector<int>& addresses, Machine& machine) : any_(!addresses.empty()) {
  for (int address : addresses) breakpoints_.Set(address, true);
  // Without breakpoints the machine keeps no break check: a plain run pays nothing for the option.
  if (any_) breakpoints_.Attach(machine);
}

bool RunBreaks::AtBreak(const Machine& machine) const {
  if (!any_ || machine.InstructionsExecuted == 0 || machine.NextCycleResets()) return false;
  return breakpoints_.Has(machine.LinearAddress());
}

void RunBreaks::Print(const Machine& machine, std::ostream& out) const {
  if (AtBreak(machine)) out << "break: " << AddressText(machine.LinearAddress()) << '\n';
}

}  // namespace qx9
