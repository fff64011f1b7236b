#pragma once
// qx9run --scenario FILE.yaml [--junit REPORT.xml] [OBJECT]: reads and checks the whole scenario, runs
// it, prints a line per step and writes the JUnit report. See docs/readme-scenarios.md.

#include <ostream>
#include <string>

namespace qx9 {

namespace scenario {
class PanelCamera;
}

// Exit statuses beyond the runner's own.
constexpr int kExitExpectation = 3;  // an expectation (or a screenshot comparison) failed
constexpr int kExitTimeout = 4;      // a wait or expect-tone ran out of simulated time

struct ScenarioCommand {
  std::string File;
  std::string JUnit;   // empty: no report
  std::string Object;  // empty: the scenario's program:
};

// `camera` renders screenshot steps; null where this build has no panel.
int RunScenarioCommand(const ScenarioCommand& command, scenario::PanelCamera* camera, std::ostream& out,
                       std::ostream& err);

}  // namespace qx9
