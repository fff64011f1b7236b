#pragma once
// Runs a scenario: loads the program, presses Run and drives the steps in simulated time, printing one
// line per step (`ok LINE text`, or `FAIL LINE text: expected ..., seen ...`) and stopping at the first
// failure.

#include <cstdint>
#include <ostream>
#include <string>

#include "scenario/panel_camera.h"
#include "scenario/scenario.h"

namespace qx9::scenario {

enum class Outcome {
  Passed,
  Failed,     // an expectation or a screenshot comparison
  TimedOut,   // a wait or expect-tone ran out of time
  FileError,  // the program could not be loaded
};

struct RunResult {
  Outcome Result = Outcome::Passed;
  int StepsPassed = 0;
  int FailedLine = 0;
  std::string FailedStep;  // the step's text
  std::string Failure;     // "expected ..., seen ..."
  std::string Log;         // every line printed
  int64_t SimTimeUs = 0;   // simulated time the scenario took
};

// `program` is the object file to run (the scenario's own, or the one given on the command line);
// `camera` may be null when the scenario has no screenshot step.
RunResult RunScenario(const Scenario& scenario, const std::string& program, PanelCamera* camera, std::ostream& out);

}  // namespace qx9::scenario
