#pragma once
// A scenario: a program and the steps that drive and check it, in simulated time. Parsed from YAML by
// scenario_parser, run by scenario_runner; nothing here knows YAML or a window.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx9::scenario {

enum class StepKind {
  SetSwitch,      // Index = pin, Up
  TypeWord,       // Index = word box (7 is the port word), Text
  SetPot,         // Text
  SetPulsIn,      // Text
  Answer,         // Reply (nullopt: Cancel)
  Delay,          // DurationUs
  WaitPin,        // Index, Value, TimeoutUs
  WaitWord,       // Index, Value, TimeoutUs
  ExpectPin,      // Index, Value
  ExpectWord,     // Index, Value
  ExpectMessage,  // Text
  ExpectTone,     // Frequency, DurationUs, TimeoutUs
  Screenshot,     // SaveTo, CompareWith (either may be empty, not both)
};

struct Step {
  StepKind Kind = StepKind::Delay;
  int Line = 0;      // 1-based line of the step in the scenario file
  int Column = 0;    // 1-based
  std::string Text;  // the step as the report prints it, e.g. "wait-pin: {pin: 5, value: 1, timeout: 2s}"
  int Index = 0;
  bool Up = false;
  int32_t Value = 0;  // a pin level 0/1, or a word compared as its low 16 bits
  std::string Str;
  std::optional<std::string> Reply;
  int Frequency = 0;
  int64_t DurationUs = 0;
  int64_t TimeoutUs = 0;
  std::string SaveTo;  // paths resolved against the scenario's folder
  std::string CompareWith;
};

struct Scenario {
  std::string File;     // as given on the command line
  std::string Name;     // name:, or the file name without its folder
  std::string Program;  // resolved against the scenario's folder; empty when not given
  std::vector<Step> Steps;

  bool HasScreenshot() const {
    for (const Step& step : Steps) {
      if (step.Kind == StepKind::Screenshot) return true;
    }
    return false;
  }
};

// Longest delay or timeout a scenario may ask for: an hour of simulated time already takes seconds.
constexpr int64_t kMaxDurationUs = int64_t{3600} * 1000000;
// How long wait-pin, wait-word and expect-tone run on when no timeout is given.
constexpr int64_t kDefaultTimeoutUs = int64_t{10} * 1000000;

}  // namespace qx9::scenario
