#pragma once
// qx9run's history and state options: --back, --who-wrote, --save-state and --load-state.

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "core/history.h"
#include "run_host.h"
#include "runner.h"

namespace qx9 {

// Checks a --who-wrote name; false with a reason when it names nothing.
bool CheckWhoWroteName(const std::string& name, std::string& error);

// What the run does beyond stepping: loading a state before, and going back, asking and saving after.
class HistoryRun {
 public:
  HistoryRun(const RunOptions& options, Machine& machine, PrintingHost& host,
             const std::array<uint8_t, kImageSize>& image)
      : options_(options), machine_(machine), host_(host), image_(image) {}

  // Replaces the reset machine with the state file's (when --load-state is given). False with the
  // message on standard error when the file is refused; the machine is then unchanged.
  bool LoadState(std::ostream& err);
  // Starts recording when --back or --who-wrote need it.
  void StartRecording();
  // After the run: goes back (--back), printing "back: #K" and a note on standard error when the
  // history is shorter than asked.
  void GoBack(std::ostream& out, std::ostream& err);
  // After the final block: the --who-wrote lines, then --save-state. False when the save failed.
  bool Finish(std::ostream& out, std::ostream& err);

 private:
  const RunOptions& options_;
  Machine& machine_;
  PrintingHost& host_;
  const std::array<uint8_t, kImageSize>& image_;
  std::unique_ptr<History> history_;
};

}  // namespace qx9
