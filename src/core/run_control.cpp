// The machine side of the run control: what the buttons, the keys, a timer tick and a switch click do.
// Every front end calls these; the timer itself belongs to the host.
#include "core/machine.h"

namespace qx9 {

void Machine::RunBtn_Click() {
  if (host_->TimerEnabled()) {
    host_->SetRunning(false);
    host_->SetTimerEnabled(false);
  } else {
    host_->SetRunning(true);
    StepOverArmed = false;
    runStartExecuted_ = InstructionsExecuted;
    host_->SetTimerEnabled(true);
  }
}

void Machine::CountPressTime(uint64_t executedBefore) {
  SimTimeUs += static_cast<int64_t>(InstructionsExecuted - executedBefore) * 1000;
}

void Machine::Step_Click() {
  StepOverArmed = false;
  const uint64_t before = InstructionsExecuted;
  ExecuteNext();
  CountPressTime(before);
  PreviewNext();
}

// Arms the step over; if the instruction is a Gosub, it starts the free run to the return position.
void Machine::StepOver_Click() {
  StepOverArmed = true;
  const uint64_t before = InstructionsExecuted;
  runStartExecuted_ = before;
  ExecuteNext();
  CountPressTime(before);
  PreviewNext();
}

// Each tick counts as 10 ms of a pending wait; the tick that ends the wait also runs the next cycle.
// A tick that finds a wait pending is 10 ms of simulated time, any other 1 ms.
void Machine::Timer1_Timer() {
  if (WaitMs > 0) {
    SimTimeUs += 10000;
    WaitMs -= 10;
    if (!listeners_.empty()) Notify([this](MachineListener& l) { l.OnExternalChange(*this); });
    if (WaitMs > 0) return;
  } else {
    SimTimeUs += 1000;
  }
  if (!Busy && !BreakBeforeCycle()) ExecuteNext();
}

// A run that starts on a breakpoint leaves it: the check waits for the run's first instruction. A cycle
// that only resets (after a restart) executes nothing and is never stopped.
bool Machine::BreakBeforeCycle() {
  if (!breakCheck_ || RestartPending || InstructionsExecuted == runStartExecuted_) return false;
  if (!host_->TimerEnabled() || !breakCheck_(*this)) return false;
  StepOverTarget = 0;
  StepOverArmed = false;
  RunBtn_Click();
  if (!listeners_.empty()) Notify([this](MachineListener& l) { l.OnBreak(*this); });
  return true;
}

bool Machine::TickWillRunCycle() const { return WaitMs <= 10 && !Busy; }

// A tick only counts down while the wait left after it stays above 0, that is while WaitMs > 10.
int32_t Machine::IdleTicksAhead() const { return WaitMs > 10 ? (WaitMs - 1) / 10 : 0; }

void Machine::SkipIdleTicks(int32_t ticks) {
  if (ticks > IdleTicksAhead()) ticks = IdleTicksAhead();
  if (ticks <= 0) return;
  WaitMs -= 10 * ticks;
  SimTimeUs += int64_t{10000} * ticks;
  if (!listeners_.empty()) Notify([this](MachineListener& l) { l.OnExternalChange(*this); });
}

// A switch writes its level only into an input pin; its position flips either way. The word boxes are
// taken in first, as a cycle would, so a value typed but not yet used is not lost by the redraw.
void Machine::GInBtn_Click(int index) {
  if (index < 0 || index > 7) return;
  ReadWordBoxes();
  SwitchUp[index] = !SwitchUp[index];
  const auto pin = static_cast<int16_t>(index);
  if (ReadField(kPortWord, 1, static_cast<int16_t>(pin + 8)) == 0) {
    SetVal(kPortWord, SwitchUp[index] ? 1 : 0, 1, pin);
  }
  if (!listeners_.empty()) Notify([this](MachineListener& l) { l.OnExternalChange(*this); });
  RefreshPanel();
}

void Machine::StartProgram() {
  RefreshPanel();
  RestartPending = true;
  ExecuteNext();
}

}  // namespace qx9
