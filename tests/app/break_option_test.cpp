// qx9run --break through the real binary: where the run stops, the break line, and bad addresses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/program_builder.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

std::string Hex3(int address) {
  char text[8];
  std::snprintf(text, sizeof text, "%03X", address);
  return text;
}

// loop: Let W0=W0+1 / mark: Let W1=W1+1 / jump: Goto loop
class BreakOption : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    loop_ = b_.Here();
    b_.Label("loop").Let(V("W0"), {{3, C(1)}});
    mark_ = b_.Here();
    b_.Let(V("W1"), {{3, C(1)}});
    jump_ = b_.Here();
    b_.Goto("loop");
    file_ = Path("loop.OBJ");
    b_.WriteFile(file_);
  }

  // Standard output of qx9run with these arguments before the file; the exit status in status_.
  std::string Run(std::vector<std::string> args) {
    args.push_back(file_);
    const CommandResult r = RunCommand(dir_, QX9RUN_PATH, args);
    status_ = r.Status;
    err_ = r.Err;
    return r.Out;
  }

  ProgramBuilder b_;
  int loop_ = 0;
  int mark_ = 0;
  int jump_ = 0;
  std::string file_;
  int status_ = -1;
  std::string err_;
};

TEST_F(BreakOption, PlainStepsStopBeforeTheBreakpoint) {
  const std::string out = Run({"--quiet", "--break", Hex3(jump_)});
  EXPECT_EQ(status_, 0);
  EXPECT_EQ(out, "break: @" + Hex3(jump_) + "\n" +
                     "W0=0001 W1=0001 W2=0000 W3=0000 W4=0000 W5=0000 W6=0000 PORT=0000\n" + "next: @" + Hex3(jump_) +
                     " Goto " + Hex3(loop_).substr(1) + "\n");
}

TEST_F(BreakOption, TheFirstInstructionIsNeverABreak) {
  const std::string out = Run({"--quiet", "--break", Hex3(loop_)});
  EXPECT_EQ(out.rfind("break: @" + Hex3(loop_) + "\nW0=0001 W1=0001 ", 0), 0u) << out;
}

TEST_F(BreakOption, AFreeRunStopsOnTheFirstBreakpointItMeets) {
  const std::string out = Run({"--quiet", "--run", "--break", Hex3(jump_), "--break", Hex3(mark_)});
  EXPECT_EQ(out.rfind("break: @" + Hex3(mark_) + "\nW0=0001 W1=0000 ", 0), 0u) << out;
  // The second tick finds the breakpoint next and stops the run, as the panel's timer tick would.
  EXPECT_NE(out.find("ticks: 2\n"), std::string::npos) << out;
}

TEST_F(BreakOption, AFreeRunWaitsOutAPauseBeforeItsBreakpoint) {
  ProgramBuilder b;
  b.Pause(C(50));
  const int after = b.Here();
  b.Let(V("W0"), {{3, C(1)}}).End();
  file_ = Path("pause.OBJ");
  b.WriteFile(file_);
  const std::string out = Run({"--quiet", "--run", "--break", Hex3(after)});
  EXPECT_EQ(out.rfind("break: @" + Hex3(after) + "\nW0=0000 ", 0), 0u) << out;
  // One tick runs the Pause, five count its 50 ms down; the last of them finds the breakpoint.
  EXPECT_NE(out.find("ticks: 6\n"), std::string::npos) << out;
}

TEST_F(BreakOption, StepOverStopsAtTheBreakpointToo) {
  const std::string out = Run({"--quiet", "--step-over", "--break", Hex3(mark_)});
  EXPECT_EQ(out.rfind("break: @" + Hex3(mark_) + "\n", 0), 0u) << out;
}

TEST_F(BreakOption, TheBreakLineComesBeforeTheLimitLine) {
  const std::string out = Run({"--quiet", "--steps", "2", "--break", Hex3(jump_)});
  EXPECT_EQ(out.rfind("break: @" + Hex3(jump_) + "\nlimit: 2\n", 0), 0u) << out;
}

TEST_F(BreakOption, TheTraceEndsBeforeTheBreakpointsInstruction) {
  const std::string out = Run({"--break", Hex3(mark_)});
  EXPECT_EQ(out.rfind("@" + Hex3(loop_) + " Let W0=W0+1\nbreak: @" + Hex3(mark_) + "\n", 0), 0u) << out;
}

TEST_F(BreakOption, TheLastAddressIsAcceptedInLowerCase) {
  EXPECT_EQ(Run({"--quiet", "--break", "7ff"}).find("break:"), std::string::npos);
  EXPECT_EQ(status_, 0);
}

TEST_F(BreakOption, BadAddressesAreUsageErrors) {
  for (const std::string bad : {"", "800", "1234", "xyz", "-1", "0x10"}) {
    const std::string out = Run({"--break", bad});
    EXPECT_EQ(status_, 1) << bad;
    EXPECT_EQ(out, "") << bad;
    EXPECT_NE(err_.find("--break needs a hex address 0..7FF"), std::string::npos) << bad << ": " << err_;
  }
}

}  // namespace
}  // namespace qx9::test
