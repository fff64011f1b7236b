#pragma once
// Breakpoints, conditions and watchpoints: what stops a free run before its next instruction. One
// object serves as the machine's break check and listens to it for the watchpoints; front ends only
// edit the sets and read the reason of the last stop.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/machine.h"

namespace qx9 {

// A comparison as an If writes it: a variable on the left, a variable or a decimal constant on the right,
// compared as signed 16-bit values like the If instruction compares them.
struct Condition {
  enum class Compare { Less, Greater, NotEqual, Equal, LessOrEqual, GreaterOrEqual };
  int LeftCode = 0;
  bool RightIsConstant = true;
  int RightCode = 0;
  int16_t RightValue = 0;
  Compare Op = Compare::Equal;
  std::string Text;  // as normalised for display: "W0 > 100"
};

// Parses "W0 > 100", "Pin3 = 1", "B2 <> B3" (names in any letter case, blanks optional). On a mistake
// returns nullopt and says why in `error`.
std::optional<Condition> ParseCondition(const std::string& text, std::string& error);
bool ConditionHolds(const Condition& condition, const MachineState& state);

// The 6-bit code of a variable's name ("w2", "Pin3"), or -1.
int FindVariableCode(const std::string& name);
// A variable's current value as the instructions read it.
int16_t VariableValue(const MachineState& state, int code);

// Something whose change stops the run: a variable (a pin is one) or a byte of the image.
struct Watch {
  bool IsImageByte = false;
  int Code = 0;  // the variable code, or the image index 0..255
  std::string Text;
};
// Parses a variable name or "Image N" (N 0..255); nullopt with a reason otherwise.
std::optional<Watch> ParseWatch(const std::string& text, std::string& error);
int WatchValue(const MachineState& state, const Watch& watch);

class Breakpoints final : public MachineListener {
 public:
  Breakpoints() = default;
  ~Breakpoints() override;
  Breakpoints(const Breakpoints&) = delete;
  Breakpoints& operator=(const Breakpoints&) = delete;

  // Becomes the machine's break check and one of its listeners (until Detach or destruction).
  void Attach(Machine& machine);
  void Detach();

  // Addresses are linear token addresses of instructions.
  void Toggle(int address);
  void Set(int address, bool on);
  bool Has(int address) const { return addresses_.count(address) != 0; }
  const std::set<int>& Addresses() const { return addresses_; }
  void ClearAddresses() { addresses_.clear(); }

  // A one-shot stop at `address` (run to cursor); cleared when any stop happens.
  void SetRunTo(std::optional<int> address) { runTo_ = address; }
  std::optional<int> RunTo() const { return runTo_; }

  bool AddCondition(const std::string& text, std::string& error);
  void RemoveCondition(size_t index);
  const std::vector<Condition>& Conditions() const { return conditions_; }

  // The watch's value is taken from `state` now; only changes from here on stop a run.
  bool AddWatch(const std::string& text, const MachineState& state, std::string& error);
  void RemoveWatch(size_t index);
  const std::vector<Watch>& Watches() const { return watches_; }

  // The break check: whether a run must stop before the machine's next instruction.
  bool ShouldBreak(const Machine& machine);
  // Why the last stop happened ("breakpoint @03D", "W0 > 100", "W2 changed: 3 -> 4").
  const std::string& Reason() const { return reason_; }

  // Watchpoints
  void AfterInstruction(const Machine& machine) override;
  void OnExternalChange(const Machine& machine) override;

 private:
  void TakeBaseline(const MachineState& state);

  Machine* machine_ = nullptr;
  std::set<int> addresses_;
  std::optional<int> runTo_;
  std::vector<Condition> conditions_;
  std::vector<Watch> watches_;
  std::vector<int> watchLast_;  // parallel to watches_
  std::string watchHit_;        // the change an instruction made, waiting for the next check
  uint64_t watchHitAt_ = 0;     // InstructionsExecuted after that instruction: a hit counts only then
  std::string reason_;
};

// "@03D": the address as the listing and the trace write it.
std::string AddressText(int address);

}  // namespace qx9
