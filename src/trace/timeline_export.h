#pragma once
// One entry point for every front end that exports the timeline (the runner's --vcd and --wav, the
// workbench's export actions): the format, the path, and a message to show when it failed.

#include <optional>
#include <string>

#include "core/signal_recorder.h"

namespace qx9::trace {

enum class TimelineFormat { Vcd, Wav };

// Writes the file complete or leaves nothing behind; nullopt on success, otherwise the message.
std::optional<std::string> ExportTimeline(const SignalRecorder& recorder, TimelineFormat format,
                                          const std::string& path);

}  // namespace qx9::trace
