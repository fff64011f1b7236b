// Scenarios on the core in simulated time: each step's rule and failure (the examples cover plain paths).
#include <gtest/gtest.h>

#include <sstream>

#include "scenario/scenario_parser.h"
#include "scenario/scenario_runner.h"
#include "support/program_builder.h"
#include "support/scratch_dir.h"

namespace qx9::scenario {
namespace {

using test::C;
using test::ProgramBuilder;
using test::V;

// High 0, a Pause of 100 ms, Low 0, End: the run stops with the restart message at 103 ms.
ProgramBuilder OnceThenEnd() { return ProgramBuilder().High(C(0)).Pause(C(100)).Low(C(0)).End(); }

ProgramBuilder Busy() { return ProgramBuilder().Label("top").Toggle(C(1)).Goto("top"); }

ProgramBuilder PotLoop() { return ProgramBuilder().Label("top").Pot(C(0), C(100), V("B0")).Pause(C(10)).Goto("top"); }

class ScenarioRunnerTest : public test::ScratchDir {
 protected:
  RunResult Run(const ProgramBuilder& program, const std::string& steps) {
    program.WriteFile(Path("prog.OBJ"));
    return RunText("steps:\n" + steps, Path("prog.OBJ"));
  }

  RunResult RunText(const std::string& yaml, const std::string& program) {
    Scenario scenario;
    std::vector<std::string> errors;
    EXPECT_TRUE(ParseScenarioText(yaml, "s.yaml", scenario, errors));
    for (const std::string& error : errors) ADD_FAILURE() << error;
    std::ostringstream out;
    RunResult result = RunScenario(scenario, program, nullptr, out);
    EXPECT_EQ(out.str(), result.Log);
    return result;
  }
};

TEST_F(ScenarioRunnerTest, EachStepsRuleAndFailure) {
  struct Case {
    const char* What;
    ProgramBuilder (*Program)();
    const char* Steps;
    Outcome Result;
    const char* Failure;
    int64_t SimTimeUs;  // -1: not checked
  };
  const Case cases[] = {
      {"a wait ends at the change", OnceThenEnd,
       "  - wait-pin: {pin: 0, value: 1, timeout: 10ms}\n  - wait-pin: {pin: 0, value: 0, timeout: 200ms}\n",
       Outcome::Passed, "", 102000},
      {"a wait that runs out of time", Busy, "  - wait-pin: {pin: 2, value: 1, timeout: 250ms}\n", Outcome::TimedOut,
       "expected pin 2 = 1 within 250ms, seen 0 after 250ms", 250000},
      {"delays run exactly their time", Busy, "  - delay: 1.001s\n  - delay: 20ms\n", Outcome::Passed, "", 1021000},
      {"time passes while a restart stops the run", OnceThenEnd,
       "  - delay: 1s\n  - expect-message: Program reached end -- Restarting\n"
       "  - wait-pin: {pin: 0, value: 1, timeout: 2s}\n",
       Outcome::TimedOut, "expected pin 0 = 1 within 2s, seen 0 after 2s", 3000000},
      {"a message counts until a step that is not an expectation", OnceThenEnd,
       "  - delay: 200ms\n  - expect-pin: {pin: 0, value: 0}\n  - expect-message: Program reached end -- Restarting\n",
       Outcome::Passed, "", -1},
      {"a message is gone after a delay", OnceThenEnd,
       "  - delay: 200ms\n  - delay: 1ms\n  - expect-message: Program reached end -- Restarting\n", Outcome::Failed,
       "expected message \"Program reached end -- Restarting\", seen no message", -1},
      {"a prompt with no answer queued is cancelled", PotLoop,
       "  - delay: 100ms\n  - expect-word: {word: W0, value: 0}\n", Outcome::Passed, "", -1},
      {"a typed word counts at once and is taken in", Busy,
       "  - type-word: {word: W3, text: \"0010\"}\n  - expect-word: {word: W3, value: 0x10}\n"
       "  - delay: 5ms\n  - expect-word: {word: W3, value: 16}\n",
       Outcome::Passed, "", -1},
      {"an output pin's switch is disabled", OnceThenEnd, "  - delay: 2ms\n  - set-switch: {pin: 0, up: true}\n",
       Outcome::Failed, "expected switch 0 enabled (pin an input), seen it disabled (pin 0 an output)", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const RunResult r = Run(c.Program(), c.Steps);
    EXPECT_EQ(r.Result, c.Result);
    EXPECT_EQ(r.Failure, c.Failure);
    if (c.SimTimeUs >= 0) {
      EXPECT_EQ(r.SimTimeUs, c.SimTimeUs);
    }
  }
}

TEST_F(ScenarioRunnerTest, TonesAreTakenInTheOrderTheyPlay) {
  const RunResult r = RunText(
      "steps:\n"
      "  - expect-tone: {frequency: 261, duration: 144ms}\n"
      "  - expect-tone: {frequency: 333, duration: 144ms}\n"
      "  - delay: 1s\n"
      "  - expect-tone: {frequency: 261, duration: 140ms, timeout: 3s}\n",
      std::string(EXAMPLES_DIR) + "/TUNE.OBJ");
  EXPECT_EQ(r.FailedLine, 5);
  EXPECT_EQ(r.Failure, "expected 261 Hz for 140 ms, seen 261 Hz for 144 ms");
}

}  // namespace
}  // namespace qx9::scenario
