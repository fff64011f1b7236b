// qx9run --break through the real binary: where the run stops, the break line, and bad addresses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/command.h"
#include "support/program_builder.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

class BreakOption : public ScratchDir {
 protected:
  // Standard output of qx9run with these arguments before the program's file; the exit status in status_.
  std::string Run(std::vector<std::string> args, const ProgramBuilder& program) {
    program.WriteFile(Path("p.OBJ"));
    args.push_back(Path("p.OBJ"));
    const CommandResult r = RunCommand(dir_, QX9RUN_PATH, args);
    status_ = r.Status;
    err_ = r.Err;
    return r.Out;
  }
  int status_ = -1;
  std::string err_;
};

// @013 loop: Let W0=W0+1 / @027 Let W1=W1+1 / @03B Goto loop
ProgramBuilder Loop() {
  return ProgramBuilder().Label("loop").Let(V("W0"), {{3, C(1)}}).Let(V("W1"), {{3, C(1)}}).Goto("loop");
}

TEST_F(BreakOption, PlainStepsStopBeforeTheBreakpoint) {
  EXPECT_EQ(Run({"--quiet", "--break", "03B"}, Loop()),
            "break: @03B\n"
            "W0=0001 W1=0001 W2=0000 W3=0000 W4=0000 W5=0000 W6=0000 PORT=0000\n"
            "next: @03B Goto 13\n");
  EXPECT_EQ(status_, 0);
}

TEST_F(BreakOption, WhereEachKindOfRunStops) {
  struct Case {
    std::vector<std::string> Args;
    std::string Start;  // what the output starts with
    std::string Ticks;  // a ticks line it holds, if any
  };
  const Case cases[] = {
      {{"--quiet", "--break", "013"}, "break: @013\nW0=0001 W1=0001 ", ""},  // the first instruction is never one
      // The second tick finds the breakpoint next and stops the run, as the panel's timer tick would.
      {{"--quiet", "--run", "--break", "03B", "--break", "027"}, "break: @027\nW0=0001 W1=0000 ", "ticks: 2\n"},
      {{"--quiet", "--step-over", "--break", "027"}, "break: @027\n", ""},
      {{"--quiet", "--steps", "2", "--break", "03B"}, "break: @03B\nlimit: 2\n", ""},
      {{"--break", "027"}, "@013 Let W0=W0+1\nbreak: @027\n", ""},
      {{"--quiet", "--break", "7ff"}, "limit: 10000\n", ""},  // the last address, in lower case
  };
  for (const Case& c : cases) {
    const std::string out = Run(c.Args, Loop());
    SCOPED_TRACE(c.Args[c.Args.size() - 2] + " " + c.Args.back());
    EXPECT_EQ(status_, 0);
    EXPECT_EQ(out.rfind(c.Start, 0), 0u) << out;
    EXPECT_NE(out.find(c.Ticks), std::string::npos) << out;
  }
}

TEST_F(BreakOption, AFreeRunWaitsOutAPauseBeforeItsBreakpoint) {
  // @013 Pause 50 / @023 Let W0=W0+1
  const std::string out =
      Run({"--quiet", "--run", "--break", "023"}, ProgramBuilder().Pause(C(50)).Let(V("W0"), {{3, C(1)}}).End());
  EXPECT_EQ(out.rfind("break: @023\nW0=0000 ", 0), 0u) << out;
  // One tick runs the Pause, five count its 50 ms down; the last of them finds the breakpoint.
  EXPECT_NE(out.find("ticks: 6\n"), std::string::npos) << out;
}

TEST_F(BreakOption, BadAddressesAreUsageErrors) {
  for (const std::string bad : {"", "800", "1234", "xyz", "-1", "0x10"}) {
    EXPECT_EQ(Run({"--break", bad}, Loop()), "") << bad;
    EXPECT_EQ(status_, 1) << bad;
    EXPECT_NE(err_.find("--break needs a hex address 0..7FF"), std::string::npos) << bad << ": " << err_;
  }
}

}  // namespace
}  // namespace qx9::test
