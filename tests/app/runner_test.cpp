// qx9run through its real binary: whole outputs line by line, exit statuses, standard error, --break, exports.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/command.h"
#include "support/program_builder.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

namespace fs = std::filesystem;

std::string Words(const std::string& w0, const std::string& w1, const std::string& w2, const std::string& port) {
  return "W0=" + w0 + " W1=" + w1 + " W2=" + w2 + " W3=0000 W4=0000 W5=0000 W6=0000 PORT=" + port + "\n";
}

class RunnerTest : public ScratchDir {
 protected:
  std::string Write(const ProgramBuilder& program) {
    program.WriteFile(Path("prog.OBJ"));
    return Path("prog.OBJ");
  }
  CommandResult Run(const std::vector<std::string>& args, const std::string& program = QX9RUN_PATH) {
    return RunCommand(dir_, program, args);
  }
};

TEST_F(RunnerTest, TraceLinesSoundsAndTheFinalBlock) {
  const CommandResult r = Run({Write(
      ProgramBuilder().High(C(3)).Toggle(C(3)).Output(V("B0")).Sound(C(1), {{C(1), C(100)}, {C(2), C(0)}}).End())});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(r.Out,
            "@013 High 3\n"
            "@01F Toggle 3\n"
            "@02B Output B0\n"
            "@037 Sound 1,(100,1,0,2,)\n"
            "tone: 428 Hz 12 ms\n"
            "rest: 24 ms\n" +
                Words("0000", "0000", "0000", "0B00") + "next: @05C End\n");
}

TEST_F(RunnerTest, PromptsTakeAnswersInOrderThenCancel) {
  const std::string file =
      Write(ProgramBuilder().Pot(C(3), C(100), V("B2")).PulsIn(C(2), C(1), V("W2")).Pot(C(3), C(100), V("B3")).End());
  const CommandResult r = Run({"--quiet", "--answer", "200", "--answer", "", file});
  EXPECT_EQ(r.Out,
            "prompt: Pot value for pin 3\nanswer: 200\n"
            "prompt: Enter 10uS pulse length for pin 2\nanswer: \n"
            "prompt: Pot value for pin 3\nanswer: (cancel)\n" +
                Words("0000", "00C8", "0000", "0000") + "next: @063 End\n");
}

TEST_F(RunnerTest, RunWaitsOutAPauseInTicks) {
  const std::string file = Write(ProgramBuilder().Pause(C(100)).High(C(0)).End());
  const std::string words = Words("0000", "0000", "0000", "0101");
  // The tick that runs Pause, nine that only count its 100 ms down, and the tenth that runs High.
  EXPECT_EQ(Run({"--run", file}).Out, "@013 Pause 100\n@023 High 0\n" + words + "next: @02C End\nticks: 11\n");
  // Through the end: End restarts the program and stops the timer, which ends the run.
  EXPECT_EQ(Run({"--run", "--through-end", file}).Out,
            "@013 Pause 100\n@023 High 0\n@02C End\nmessage: Program reached end -- Restarting\n" + words +
                "next: @013 Pause 100\nticks: 12\n");
}

TEST_F(RunnerTest, WordBoxesAndSwitchesApplyInCommandLineOrder) {
  const std::string file =
      Write(ProgramBuilder().Let(V("B0"), {{1, V("Pins")}}).Let(V("W2"), {{1, V("W1")}, {3, C(1)}}).End());
  const CommandResult r = Run({"--quiet", "--word", "1=00ff", "--switch", "3", "--switch", "5", "--switch", "5", file});
  EXPECT_EQ(r.Out, Words("0008", "00FF", "0100", "0008") + "next: @04A End\n");
}

TEST_F(RunnerTest, ImageChangesAndLastPwmAreReported) {
  ProgramBuilder b;
  b.Write(C(0), V("W1")).Write(C(3), V("B2")).Pwm(C(3), C(128), C(10)).End();
  const std::string out = Run({"--quiet", "--word", "1=ffff", Write(b)}).Out;
  EXPECT_NE(out.find("lastpwm: Pin3=2.51\neeprom[252]=255\neeprom[255]=-1\n"), std::string::npos) << out;
}

TEST_F(RunnerTest, FilesThatCannotBeLoadedAreStatusTwo) {
  std::ofstream(dir_ / "short.OBJ", std::ios::binary) << std::string(255, '\0');
  fs::create_directory(dir_ / "folder.OBJ");
  for (const std::string name : {"missing.OBJ", "short.OBJ", "folder.OBJ"}) {
    const CommandResult r = Run({(dir_ / name).string()});
    EXPECT_EQ(r.Status, 2) << name;
    EXPECT_EQ(r.Out, "") << name;
    EXPECT_EQ(r.Err, "File Error!\n") << name;
  }
  EXPECT_FALSE(fs::exists(dir_ / "missing.OBJ"));
}

TEST_F(RunnerTest, BadUsageExitsWithStatusOneAndSaysWhy) {
  const std::string file = Write(ProgramBuilder().End());
  const std::vector<std::vector<std::string>> cases = {
      {},
      {file, file},
      {"--run", "--step-over", file},
      {"--list", "--vcd", Path("x.vcd"), file},
      {"--break", "800", file},
      {"--scenario", "s.yaml", "--run"},
      {"--scenario", "s.yaml", "--junit", "/nonexistent/r.xml"},
  };
  for (const auto& args : cases) {
    const CommandResult r = Run(args);
    SCOPED_TRACE(args.empty() ? "(no arguments)" : args.front());
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err.rfind("qx9run: ", 0), 0u) << r.Err;
  }
  EXPECT_EQ(Run({"-h"}).Out.rfind("usage: qx9run", 0), 0u);  // asked for, the usage goes to standard output
}

// @013 loop: Let W0=W0+1 / @027 Let W1=W1+1 / @03B Goto loop
TEST_F(RunnerTest, BreakStopsEachKindOfRunBeforeTheBreakpoint) {
  const std::string file =
      Write(ProgramBuilder().Label("loop").Let(V("W0"), {{3, C(1)}}).Let(V("W1"), {{3, C(1)}}).Goto("loop"));
  struct Case {
    std::vector<std::string> Args;
    std::string Start;  // what the output starts with
    std::string Ticks;  // a ticks line it holds, if any
  };
  const Case cases[] = {
      {{"--quiet", "--break", "03B"},
       "break: @03B\n" + Words("0001", "0001", "0000", "0000") + "next: @03B Goto 13\n",
       ""},
      // The second tick finds the breakpoint next and stops the run, as the panel's timer tick would.
      {{"--quiet", "--run", "--break", "03B", "--break", "027"}, "break: @027\nW0=0001 W1=0000 ", "ticks: 2\n"},
      {{"--quiet", "--break", "013"}, "break: @013\nW0=0001 W1=0001 ", ""},  // the first instruction is never one
      {{"--quiet", "--break", "7ff"}, "limit: 10000\n", ""},                 // the last address, in lower case
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.Args;
    args.push_back(file);
    const CommandResult r = Run(args);
    SCOPED_TRACE(c.Args[c.Args.size() - 2] + " " + c.Args.back());
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out.rfind(c.Start, 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find(c.Ticks), std::string::npos) << r.Out;
  }
}

TEST_F(RunnerTest, AnExportThatCannotBeWrittenIsStatusTwoAndTheOtherIsStillWritten) {
  const std::string missing = Path("no/such.vcd");
  const CommandResult r =
      Run({"--steps", "4", "--quiet", "--vcd", missing, "--wav", Path("tune.wav"), EXAMPLES_DIR "/TUNE.OBJ"});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qx9run: cannot write " + missing + ": No such file or directory\n");
  EXPECT_TRUE(fs::exists(Path("tune.wav")));
}

TEST_F(RunnerTest, DoubleDashEndsTheOptions) {
  fs::copy_file(Write(ProgramBuilder().High(C(3)).End()), dir_ / "--quiet");
  const CommandResult named = Run({"--steps", "1", "--", (dir_ / "--quiet").string()});
  EXPECT_EQ(named.Status, 0) << named.Err;
  EXPECT_EQ(named.Out.rfind("@013 High 3\n", 0), 0u) << named.Out;
}

TEST_F(RunnerTest, ListingsReassembleToTheSameBytes) {
  for (const auto& entry : fs::directory_iterator(EXAMPLES_DIR)) {
    if (entry.path().extension() != ".OBJ") continue;
    const std::string original = entry.path().string();
    SCOPED_TRACE(original);
    const std::string copy = Path("copy.OBJ");
    std::ofstream(Path("listing.bas")) << Run({"--list", original}).Out;
    ASSERT_EQ(Run({Path("listing.bas"), "-o", copy}, QX9ASM_PATH).Status, 0);
    EXPECT_EQ(ReadWhole(copy), ReadWhole(original));
  }
}

}  // namespace
}  // namespace qx9::test
