// qx9run's history and state options. See history_run.h and the README section on history.
#include "history_run.h"

#include <cstdio>

#include "core/state_file.h"

namespace qx9 {

bool CheckWhoWroteName(const std::string& name, std::string& error) {
  if (ParseHistoryTarget(name)) return true;
  error =
      "--who-wrote needs a variable (W0..W6, B0..B13, Bit0..Bit15, Port, Pins, Dirs, Pin0..Pin7, "
      "Dir0..Dir7) or an image entry eeprom[0..255], not '" +
      name + "'";
  return false;
}

bool HistoryRun::LoadState(std::ostream& err) {
  if (options_.LoadState.empty()) return true;
  SavedMachine saved;
  std::string error = LoadStateFile(options_.LoadState, saved);
  if (error.empty() && ImageHash(saved.Image) != ImageHash(image_)) {
    error = options_.LoadState + " was saved from another program than " + options_.File;
  }
  if (!error.empty()) {
    err << "qx9run: " << error << '\n';
    return false;
  }
  RestoreMachine(machine_, saved);
  host_.SetLastPWM(saved.LastPwm);
  return true;
}

void HistoryRun::StartRecording() {
  if (!options_.Back && options_.WhoWrote.empty()) return;
  history_ = std::make_unique<History>();
  history_->Attach(machine_, host_.LastPWM());
}

void HistoryRun::GoBack(std::ostream& out, std::ostream& err) {
  if (!history_ || !options_.Back) return;
  const uint64_t at = history_->CurrentPoint();
  const uint64_t kept = at - history_->FirstPoint();
  if (options_.BackSteps > kept) {
    err << "qx9run: --back " << options_.BackSteps << " goes beyond the history of " << kept
        << " instructions; going back to its start\n";
  }
  const uint64_t point = history_->GoTo(options_.BackSteps > kept ? history_->FirstPoint() : at - options_.BackSteps);
  host_.SetLastPWM(history_->LastPwm());
  out << "back: #" << point << '\n';
}

bool HistoryRun::Finish(std::ostream& out, std::ostream& err) {
  for (const std::string& name : options_.WhoWrote) {
    const std::optional<History::Write> write = history_->WhoWrote(*ParseHistoryTarget(name));
    if (!write) {
      out << "who-wrote: " << name << " none\n";
      continue;
    }
    char address[8];
    std::snprintf(address, sizeof address, "%03X", static_cast<unsigned>(write->Address));
    out << "who-wrote: " << name << " @" << address << " #" << write->Instruction << '\n';
  }
  if (options_.SaveState.empty()) return true;
  const std::string error = SaveStateFile(options_.SaveState, CaptureMachine(machine_, image_, host_.LastPWM()));
  if (error.empty()) return true;
  err << "qx9run: " << error << '\n';
  return false;
}

}  // namespace qx9
