// qx9run --scenario through its real binary: exit statuses, standard error, the report, the screenshot.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/command.h"
#include "support/scratch_dir.h"

namespace qx9 {
namespace {

namespace fs = std::filesystem;

using Result = test::CommandResult;
using test::ReadWhole;

class ScenarioCommandTest : public test::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    fs::copy_file(fs::path(EXAMPLES_DIR) / "BLINK.OBJ", dir_ / "BLINK.OBJ");
  }
  std::string Scenario(const std::string& steps, const std::string& program = "program: BLINK.OBJ\n") {
    const fs::path path = dir_ / "s.yaml";
    std::ofstream(path) << "name: blink check\n" << program << "steps:\n" << steps;
    return path.string();
  }

  Result Run(const std::vector<std::string>& args) {
    return test::RunCommand(dir_, QX9RUN_PATH, args, "QT_QPA_PLATFORM=offscreen");
  }
};

TEST_F(ScenarioCommandTest, ExitStatusTellsHowTheScenarioEnded) {
  struct Case {
    const char* What;
    std::string Steps;
    std::string Program;
    int Status;
    std::string Err;  // a part of standard error
  };
  const Case kCases[] = {
      {"all passed", "  - wait-pin: {pin: 0, value: 1, timeout: 10ms}\n", "program: BLINK.OBJ\n", 0, ""},
      {"bad scenario", "  - delay: 10ms\n  - delay: 10\n", "program: BLINK.OBJ\n", 1,
       "s.yaml:5:12: delay: must be a duration"},
      {"program missing", "  - delay: 1s\n", "program: NONE.OBJ\n", 2, "File Error!\n"},
      {"expectation failed", "  - delay: 10ms\n  - expect-pin: {pin: 1, value: 1}\n", "program: BLINK.OBJ\n", 3, ""},
      {"wait timed out", "  - wait-word: {word: W1, value: 1, timeout: 100ms}\n", "program: BLINK.OBJ\n", 4, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.What);
    const Result r = Run({"--scenario", Scenario(c.Steps, c.Program)});
    EXPECT_EQ(r.Status, c.Status);
    EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
    if (c.Status == 1 || c.Status == 2) {
      EXPECT_EQ(r.Out, "");  // nothing ran
    }
  }
}

// Without a screenshot step no window system is started: a platform that cannot start changes nothing.
TEST_F(ScenarioCommandTest, RunsWithoutTheWindowSystemUnlessAScreenshotIsTaken) {
  const Result r = test::RunCommand(dir_, QX9RUN_PATH, {"--scenario", Scenario("  - delay: 10ms\n")},
                                    "DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=xcb");
  EXPECT_EQ(r.Status, 0) << r.Err;
}

TEST_F(ScenarioCommandTest, JUnitReportNamesTheFailingLineOrTheBadScenario) {
  const std::string report = (dir_ / "report.xml").string();
  const Result failed =
      Run({"--scenario", Scenario("  - delay: 10ms\n  - expect-word: {word: W1, value: 5}\n"), "--junit", report});
  EXPECT_EQ(failed.Status, 3);
  EXPECT_NE(ReadWhole(report).find("<testcase name=\"blink check\""), std::string::npos);
  EXPECT_NE(ReadWhole(report).find("message=\"line 5: expect-word: {word: W1, value: 5}: expected 0x0005 (5), seen "
                                   "0x0000 (0)\""),
            std::string::npos);
  const Result bad = Run({"--scenario", Scenario("  - nap: 1s\n"), "--junit", report});
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(ReadWhole(report).find("<error type=\"error\""), std::string::npos);
}

TEST_F(ScenarioCommandTest, ScreenshotIsSavedAndComparedWithItself) {
#ifndef QX9_HAVE_CAMERA
  GTEST_SKIP() << "this build has no panel";
#endif
  const Result saved = Run({"--scenario", Scenario("  - delay: 5ms\n  - screenshot: {save-to: shot.png}\n")});
  ASSERT_EQ(saved.Status, 0) << saved.Err;
  ASSERT_TRUE(fs::exists(dir_ / "shot.png"));
  const Result same = Run({"--scenario", Scenario("  - delay: 5ms\n  - screenshot: {compare-with: shot.png}\n")});
  EXPECT_EQ(same.Status, 0) << same.Out;
  // Half a second on, the other half of the LEDs is lit: the comparison fails.
  const Result other = Run({"--scenario", Scenario("  - delay: 600ms\n  - screenshot: {compare-with: shot.png}\n")});
  EXPECT_EQ(other.Status, 3);
  EXPECT_NE(other.Out.find("FAIL 5 screenshot: {compare-with: shot.png}: expected at most 0.1% of"), std::string::npos);
}

}  // namespace
}  // namespace qx9
