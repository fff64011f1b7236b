#pragma once
// qx9run --break: the breakpoints a run stops at, shared with the machine's run control so that free runs
// and step overs stop in the core exactly as they do in the workbench.

#include <ostream>
#include <string>
#include <vector>

#include "core/breakpoints.h"

namespace qx9 {

// Parses a linear token address in hex as the listing writes it ("03D", "3d"; 0..7FF).
bool ParseBreakAddress(const std::string& text, int& address);

class RunBreaks {
 public:
  RunBreaks(const std::vector<int>& addresses, Machine& machine);

  // Whether the run stands at a breakpoint: at least one instruction executed and the next instruction's
  // address is a breakpoint (a cycle that only resets after a restart executes nothing and never is one).
  bool AtBreak(const Machine& machine) const;
  // "break: @AAA" when the run stands at a breakpoint.
  void Print(const Machine& machine, std::ostream& out) const;

 private:
  Breakpoints breakpoints_;
  bool any_ = false;
};

}  // namespace qx9
