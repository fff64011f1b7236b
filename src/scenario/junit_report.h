#pragma once
// The JUnit XML report that CI systems read: one test case per scenario, a failure carrying the step's
// line. Written atomically, so a reader never sees half a report.

#include <cstdint>
#include <string>

namespace qx9::scenario {

struct ReportCase {
  std::string Name;       // the scenario's name
  std::string File;       // the scenario file
  std::string Kind;       // "" passed, "failure" (expectation), "timeout" (a wait) or "error" (not run)
  std::string Message;    // e.g. "line 12: wait-pin: {...}: expected ..., seen ..."
  std::string Log;        // the step lines
  int64_t SimTimeUs = 0;  // the simulated time the run took
};

// Characters XML 1.0 cannot carry at all are dropped, bytes that are not UTF-8 replaced; the five special
// ones become entities, and in an attribute a line break becomes a reference so that it survives.
std::string XmlEscape(const std::string& text, bool attribute = false);
std::string JUnitXml(const ReportCase& report);
// Writes to a temporary file beside `path` and renames it over `path`; false with a reason on failure.
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error);

}  // namespace qx9::scenario
