#pragma once
// Running backwards: the latest earlier point where a forward run would have stopped, judged by the
// same breakpoints, conditions and watches that stop a forward run.

#include <cstdint>
#include <optional>
#include <string>

#include "core/breakpoints.h"
#include "core/history.h"

namespace qx9 {

// Whether a forward free run standing at `state` would stop before its next instruction for a
// breakpoint or a condition. A cycle that only resets (after a restart) is never stopped.
bool StopsBefore(const Breakpoints& stops, const MachineState& state);

// Goes back from the history's current point to the latest earlier point where a breakpoint or a
// condition would stop, or a watched variable or image byte was just changed by an instruction; to the
// oldest point when there is none. Returns the point reached.
uint64_t RunBackToStop(History& history, const Breakpoints& stops);

// The history target a watch, a variables-view row or a typed name means: the names who-wrote knows
// (W3, Pin5, eeprom[40]) and the watch's "Image 40"; nullopt for anything else.
std::optional<HistoryTarget> WhoWroteTarget(const std::string& name);

}  // namespace qx9
