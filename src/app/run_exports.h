#pragma once
// qx9run's --vcd and --wav: a signal recorder attached for the whole run, and the files written from it
// once the run is over.

#include <ostream>
#include <string>

#include "core/machine.h"
#include "core/signal_recorder.h"

namespace qx9 {

class RunExports {
 public:
  RunExports(std::string vcdPath, std::string wavPath);
  RunExports(const RunExports&) = delete;
  RunExports& operator=(const RunExports&) = delete;
  ~RunExports();

  bool Wanted() const { return !vcdPath_.empty() || !wavPath_.empty(); }
  // Starts recording from the machine's present state (before the program's first cycle).
  void Attach(Machine& machine);
  // Writes every file asked for; each failure is one line on `err`. False when any failed.
  bool Write(std::ostream& err);

 private:
  std::string vcdPath_;
  std::string wavPath_;
  SignalRecorder recorder_;
  Machine* machine_ = nullptr;
};

}  // namespace qx9
