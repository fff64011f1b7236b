#pragma once
// Reads a scenario from YAML. The schema is strict: an unknown step or key, a value of the wrong type or
// out of range, a missing key or a reference image that cannot be read is reported as
// FILE:LINE:COLUMN: message, every one of them, before anything runs.

#include <string>
#include <vector>

#include "scenario/scenario.h"

namespace qx9::scenario {

// `path` names the file in messages and anchors relative paths; false with `errors` filled on a mistake.
bool ParseScenarioFile(const std::string& path, Scenario& out, std::vector<std::string>& errors);
bool ParseScenarioText(const std::string& text, const std::string& path, Scenario& out,
                       std::vector<std::string>& errors);

}  // namespace qx9::scenario
