#include "trace/timeline_export.h"

#include "trace/vcd_writer.h"
#include "trace/wav_writer.h"

namespace qx9::trace {

std::optional<std::string> ExportTimeline(const SignalRecorder& recorder, TimelineFormat format,
                                          const std::string& path) {
  std::string error;
  const bool ok = format == TimelineFormat::Vcd ? WriteVcd(recorder, path, error) : WriteWav(recorder, path, error);
  if (ok) return std::nullopt;
  return error;
}

}  // namespace qx9::trace
