#include "core/reverse_run.h"

#include <algorithm>

namespace qx9 {

namespace {

std::optional<HistoryTarget> WatchTarget(const Watch& watch) {
  if (watch.IsImageByte) return ParseHistoryTarget("eeprom[" + std::to_string(watch.Code) + "]");
  return ParseHistoryTarget(std::string(VariableName(watch.Code)));
}

}  // namespace

bool StopsBefore(const Breakpoints& stops, const MachineState& state) {
  if (state.RestartPending) return false;
  const int next = state.TokByte * 8 + 7 - state.TokBit;
  if (stops.Has(next)) return true;
  return std::any_of(stops.Conditions().begin(), stops.Conditions().end(),
                     [&](const Condition& c) { return ConditionHolds(c, state); });
}

uint64_t RunBackToStop(History& history, const Breakpoints& stops) {
  const uint64_t from = history.CurrentPoint();
  if (from <= history.FirstPoint()) return history.GoTo(history.FirstPoint());
  // A watch stops right after the instruction that changed its value: the last such write before the
  // point we stand at, asked from the point just before it.
  std::optional<uint64_t> watchHit;
  if (!stops.Watches().empty()) {
    history.GoTo(from - 1);
    for (const Watch& watch : stops.Watches()) {
      const std::optional<HistoryTarget> target = WatchTarget(watch);
      if (!target) continue;
      const std::optional<History::Write> write = history.WhoWrote(*target);
      if (write && (!watchHit || write->Instruction > *watchHit)) watchHit = write->Instruction;
    }
    history.GoTo(from);
  }
  uint64_t reached = history.RunBackTo([&](const MachineState& state) { return StopsBefore(stops, state); });
  if (watchHit && *watchHit > reached) reached = history.GoTo(*watchHit);
  return reached;
}

std::optional<HistoryTarget> WhoWroteTarget(const std::string& name) {
  if (std::optional<HistoryTarget> target = ParseHistoryTarget(name)) return target;
  std::string error;
  const std::optional<Watch> watch = ParseWatch(name, error);
  if (!watch) return std::nullopt;
  return WatchTarget(*watch);
}

}  // namespace qx9
