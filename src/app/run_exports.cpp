#include "run_exports.h"

#include <optional>
#include <utility>

#include "trace/timeline_export.h"

namespace qx9 {

RunExports::RunExports(std::string vcdPath, std::string wavPath)
    : vcdPath_(std::move(vcdPath)), wavPath_(std::move(wavPath)) {}

RunExports::~RunExports() {
  if (machine_ != nullptr) machine_->RemoveListener(recorder_);
}

void RunExports::Attach(Machine& machine) {
  if (!Wanted()) return;
  recorder_.Restart(machine);
  machine.AddListener(recorder_);
  machine_ = &machine;
}

bool RunExports::Write(std::ostream& err) {
  bool ok = true;
  if (machine_ != nullptr) recorder_.CatchUp(*machine_);
  auto write = [&](trace::TimelineFormat format, const std::string& path) {
    if (path.empty()) return;
    if (const std::optional<std::string> error = trace::ExportTimeline(recorder_, format, path)) {
      err << "qx9run: " << *error << '\n';
      ok = false;
    }
  };
  write(trace::TimelineFormat::Vcd, vcdPath_);
  write(trace::TimelineFormat::Wav, wavPath_);
  return ok;
}

}  // namespace qx9
