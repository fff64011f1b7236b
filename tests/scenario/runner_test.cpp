// Scenarios run on the core in simulated time: what each step does, what each failure reports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "scenario/scenario_parser.h"
#include "scenario/scenario_runner.h"
#include "support/program_builder.h"
#include "support/scratch_dir.h"

namespace qx9::scenario {
namespace {

namespace fs = std::filesystem;
using test::C;
using test::ProgramBuilder;
using test::V;

// High 0, a Pause of 100 ms, Low 0, End: the run stops with the restart message at 103 ms.
ProgramBuilder OnceThenEnd() { return ProgramBuilder().High(C(0)).Pause(C(100)).Low(C(0)).End(); }

// Toggles pin 1 at every instruction pair, forever, without waits.
ProgramBuilder Busy() { return ProgramBuilder().Label("top").Toggle(C(1)).Goto("top"); }

// Reads the Pot box (or asks) into B0 every 10 ms.
ProgramBuilder PotLoop() { return ProgramBuilder().Label("top").Pot(C(0), C(100), V("B0")).Pause(C(10)).Goto("top"); }

class ScenarioRunnerTest : public test::ScratchDir {
 protected:
  RunResult Run(const ProgramBuilder& program, const std::string& steps, PanelCamera* camera = nullptr) {
    const std::string path = Path("prog.OBJ");
    program.WriteFile(path);
    return RunText("steps:\n" + steps, path, camera);
  }

  RunResult RunText(const std::string& yaml, const std::string& program, PanelCamera* camera = nullptr) {
    Scenario scenario;
    std::vector<std::string> errors;
    EXPECT_TRUE(ParseScenarioText(yaml, "s.yaml", scenario, errors));
    for (const std::string& error : errors) ADD_FAILURE() << error;
    std::ostringstream out;
    RunResult result = RunScenario(scenario, program, camera, out);
    EXPECT_EQ(out.str(), result.Log);
    return result;
  }
};

TEST_F(ScenarioRunnerTest, PassingStepsPrintOkWithTheirLines) {
  const RunResult r = Run(OnceThenEnd(),
                          "  - wait-pin: {pin: 0, value: 1, timeout: 10ms}\n"
                          "  - wait-pin: {pin: 0, value: 0, timeout: 200ms}\n"
                          "  - expect-pin: {pin: 0, value: 0}\n");
  EXPECT_EQ(r.Result, Outcome::Passed);
  EXPECT_EQ(r.StepsPassed, 3);
  EXPECT_EQ(r.Log,
            "ok 2 wait-pin: {pin: 0, value: 1, timeout: 10ms}\n"
            "ok 3 wait-pin: {pin: 0, value: 0, timeout: 200ms}\n"
            "ok 4 expect-pin: {pin: 0, value: 0}\n");
  EXPECT_EQ(r.SimTimeUs, 102000);
}

TEST_F(ScenarioRunnerTest, FirstFailureStopsTheRun) {
  const RunResult r = Run(OnceThenEnd(),
                          "  - delay: 5ms\n"
                          "  - expect-pin: {pin: 0, value: 0}\n"
                          "  - expect-pin: {pin: 0, value: 1}\n");
  EXPECT_EQ(r.Result, Outcome::Failed);
  EXPECT_EQ(r.FailedLine, 3);
  EXPECT_EQ(r.Failure, "expected 0, seen 1");
  EXPECT_EQ(r.Log, "ok 2 delay: 5ms\nFAIL 3 expect-pin: {pin: 0, value: 0}: expected 0, seen 1\n");
}

TEST_F(ScenarioRunnerTest, WaitThatRunsOutOfTimeTimesOut) {
  const RunResult r = Run(Busy(), "  - wait-pin: {pin: 2, value: 1, timeout: 250ms}\n");
  EXPECT_EQ(r.Result, Outcome::TimedOut);
  EXPECT_EQ(r.Failure, "expected pin 2 = 1 within 250ms, seen 0 after 250ms");
  EXPECT_EQ(r.SimTimeUs, 250000);
}

TEST_F(ScenarioRunnerTest, WordWaitTimeoutShowsBothValues) {
  const RunResult r = Run(Busy(), "  - wait-word: {word: W2, value: -3, timeout: 1s}\n");
  EXPECT_EQ(r.Result, Outcome::TimedOut);
  EXPECT_EQ(r.Failure, "expected 0xFFFD (-3) within 1s, seen 0x0000 (0) after 1s");
}

TEST_F(ScenarioRunnerTest, DelayRunsExactlyItsSimulatedTime) {
  const RunResult r = Run(Busy(), "  - delay: 1.5s\n  - delay: 20ms\n");
  EXPECT_EQ(r.Result, Outcome::Passed);
  EXPECT_EQ(r.SimTimeUs, 1520000);
}

TEST_F(ScenarioRunnerTest, TimePassesWhileTheRunIsStoppedByARestart) {
  const RunResult r = Run(OnceThenEnd(),
                          "  - delay: 1s\n"
                          "  - expect-message: Program reached end -- Restarting\n"
                          "  - wait-pin: {pin: 0, value: 1, timeout: 2s}\n");
  EXPECT_EQ(r.Result, Outcome::TimedOut);
  EXPECT_EQ(r.StepsPassed, 2);
  EXPECT_EQ(r.Failure, "expected pin 0 = 1 within 2s, seen 0 after 2s");
  EXPECT_EQ(r.SimTimeUs, 3000000);
}

TEST_F(ScenarioRunnerTest, MessagesCountSinceTheLastStepThatWasNotAnExpectation) {
  const RunResult seen = Run(OnceThenEnd(),
                             "  - delay: 200ms\n"
                             "  - expect-pin: {pin: 0, value: 0}\n"
                             "  - expect-message: Program reached end -- Restarting\n");
  EXPECT_EQ(seen.Result, Outcome::Passed);
  const RunResult gone = Run(OnceThenEnd(),
                             "  - delay: 200ms\n"
                             "  - delay: 1ms\n"
                             "  - expect-message: Program reached end -- Restarting\n");
  EXPECT_EQ(gone.Result, Outcome::Failed);
  EXPECT_EQ(gone.Failure, "expected message \"Program reached end -- Restarting\", seen no message");
}

TEST_F(ScenarioRunnerTest, PromptsTakeQueuedAnswersThenTheBoxText) {
  const RunResult r = Run(PotLoop(),
                          "  - answer: \"42\"\n"
                          "  - wait-word: {word: W0, value: 42, timeout: 5ms}\n"
                          "  - set-pot: \"200\"\n"
                          "  - wait-word: {word: W0, value: 200, timeout: 50ms}\n");
  EXPECT_EQ(r.Result, Outcome::Passed);
}

TEST_F(ScenarioRunnerTest, PromptWithNoAnswerQueuedIsCancelled) {
  const RunResult r = Run(PotLoop(),
                          "  - delay: 100ms\n"
                          "  - expect-word: {word: W0, value: 0}\n");
  EXPECT_EQ(r.Result, Outcome::Passed);
}

TEST_F(ScenarioRunnerTest, TypedWordCountsAtOnceAndIsTakenIn) {
  const RunResult r = Run(Busy(),
                          "  - type-word: {word: W3, text: \"0010\"}\n"
                          "  - expect-word: {word: W3, value: 0x10}\n"
                          "  - delay: 5ms\n"
                          "  - expect-word: {word: W3, value: 16}\n");
  EXPECT_EQ(r.Result, Outcome::Passed);
}

TEST_F(ScenarioRunnerTest, SwitchesSetInputPinsAndOutputSwitchesAreDisabled) {
  const RunResult input =
      Run(OnceThenEnd(), "  - set-switch: {pin: 4, up: true}\n  - expect-pin: {pin: 4, value: 1}\n");
  EXPECT_EQ(input.Result, Outcome::Passed);
  const RunResult output = Run(OnceThenEnd(),
                               "  - delay: 2ms\n"
                               "  - set-switch: {pin: 0, up: true}\n");
  EXPECT_EQ(output.Result, Outcome::Failed);
  EXPECT_EQ(output.Failure, "expected switch 0 enabled (pin an input), seen it disabled (pin 0 an output)");
}

TEST_F(ScenarioRunnerTest, TonesAreTakenInTheOrderTheyPlay) {
  const std::string tune = std::string(EXAMPLES_DIR) + "/TUNE.OBJ";
  const RunResult r = RunText(
      "steps:\n"
      "  - expect-tone: {frequency: 261, duration: 144ms}\n"
      "  - expect-tone: {frequency: 333, duration: 144ms}\n"
      "  - delay: 1s\n"
      "  - expect-tone: {frequency: 261, duration: 140ms, timeout: 3s}\n",
      tune);
  EXPECT_EQ(r.Result, Outcome::Failed);
  EXPECT_EQ(r.FailedLine, 5);
  EXPECT_EQ(r.Failure, "expected 261 Hz for 140 ms, seen 261 Hz for 144 ms");
}

TEST_F(ScenarioRunnerTest, NoToneWithinTheTimeoutTimesOut) {
  const RunResult r = Run(Busy(), "  - expect-tone: {frequency: 261, duration: 144ms, timeout: 300ms}\n");
  EXPECT_EQ(r.Result, Outcome::TimedOut);
  EXPECT_EQ(r.Failure, "expected a tone of 261 Hz for 144 ms within 300ms, seen no tone after 300ms");
}

// Records the scene it is shown and answers as told.
struct FakeCamera final : PanelCamera {
  ShotResult Answer;
  PanelScene Seen;
  std::string SaveTo;
  ShotResult Take(const PanelScene& scene, const std::string& saveTo, const std::string&) override {
    Seen = scene;
    SaveTo = saveTo;
    return Answer;
  }
};

TEST_F(ScenarioRunnerTest, ScreenshotShowsTheCameraTheWholePanel) {
  FakeCamera camera;
  const RunResult r = Run(Busy(),
                          "  - set-pot: \"7\"\n"
                          "  - type-word: {word: W1, text: \"12\"}\n"
                          "  - screenshot: {save-to: shot.png}\n",
                          &camera);
  EXPECT_EQ(r.Result, Outcome::Passed);
  EXPECT_EQ(camera.SaveTo, "shot.png");
  EXPECT_EQ(camera.Seen.Pot, "7");
  EXPECT_EQ(camera.Seen.WordBoxes[1], "12");
  EXPECT_TRUE(camera.Seen.Running);
  EXPECT_EQ(camera.Seen.Program, (dir_ / "prog.OBJ").string());
}

TEST_F(ScenarioRunnerTest, ScreenshotMismatchFailsWithTheCamerasReason) {
  FakeCamera camera;
  camera.Answer = {false, "at most 0.1% of 100 pixels differing", "5 differing"};
  const RunResult r = Run(Busy(), "  - screenshot: {save-to: shot.png}\n", &camera);
  EXPECT_EQ(r.Result, Outcome::Failed);
  EXPECT_EQ(r.Failure, "expected at most 0.1% of 100 pixels differing, seen 5 differing");
}

}  // namespace
}  // namespace qx9::scenario
