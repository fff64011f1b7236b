// qx9run through its real binary: whole outputs compared line by line, exit statuses, standard error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/command.h"
#include "support/program_builder.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

namespace fs = std::filesystem;

using Result = test::CommandResult;
using test::ReadWhole;
using test::ShellQuote;

std::string Hex(int value, const char* format = "%X") {
  char text[8];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "@AAA": a linear token address as the trace writes it.
std::string At(int address) { return Hex(address, "@%03X"); }

std::string Words(const std::string& w0, const std::string& w1, const std::string& w2, const std::string& port) {
  return "W0=" + w0 + " W1=" + w1 + " W2=" + w2 + " W3=0000 W4=0000 W5=0000 W6=0000 PORT=" + port + "\n";
}

class RunnerTest : public ScratchDir {
 protected:
  std::string Write(const ProgramBuilder& program, const std::string& name = "prog.OBJ") {
    program.WriteFile(Path(name));
    return Path(name);
  }

  Result Run(const std::vector<std::string>& args, const std::string& program = QX9RUN_PATH) {
    return test::RunCommand(dir_, program, args);
  }
};

TEST_F(RunnerTest, PinInstructionsTraceAndFinalBlock) {
  ProgramBuilder b;
  const int high = b.Here();
  b.High(C(3));
  const int toggle = b.Here();
  b.Toggle(C(3));
  const int reverse = b.Here();
  b.Reverse(C(3));
  const int output = b.Here();
  b.Output(V("B0"));
  const int end = b.Here();
  b.End();

  const Result r = Run({Write(b)});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(r.Out, At(high) + " High 3\n" + At(toggle) + " Toggle 3\n" + At(reverse) + " Reverse 3\n" + At(output) +
                       " Output B0\n" + Words("0000", "0000", "0000", "0100") + "next: " + At(end) + " End\n");
  EXPECT_EQ(high, 0x13);
}

TEST_F(RunnerTest, LetAndIfWithMessagesOfPreviewAndExecution) {
  ProgramBuilder b;
  const int set = b.Here();
  b.Let(V("B0"), {{1, C(5)}});
  const int inc = b.Here();
  b.Let(V("B0"), {{3, C(1)}});
  const int test = b.Here();
  b.If({{V("B0"), 4, C(6), false}}, "yes");
  b.High(C(0));
  b.Label("yes");
  const int yes = b.Here();
  b.Let(V("W1"), {{0, C(7)}});  // operator code 0: shown, in the preview too, as a message
  const int end = b.Here();
  b.End();

  const Result r = Run({Write(b)});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, At(set) + " Let B0=5\n" + At(inc) + " Let B0=B0+1\n" + At(test) + " If B0=6 Then " + Hex(yes) +
                       " (->)\n" + "message: You can't see this\n" + At(yes) + " Let W1=W1\n" +
                       "message: You can't see this\n" + Words("0006", "0000", "0000", "0000") + "next: " + At(end) +
                       " End\n");
}

TEST_F(RunnerTest, PromptsTakeAnswersInOrderThenCancel) {
  ProgramBuilder b;
  const int a0 = b.Here();
  b.Pot(C(3), C(100), V("B2"));
  const int a1 = b.Here();
  b.Pot(C(3), C(100), V("B3"));
  const int a2 = b.Here();
  b.PulsIn(C(2), C(1), V("W2"));
  const int a3 = b.Here();
  b.Pot(C(3), C(100), V("B4"));
  const int end = b.Here();
  b.End();

  const Result r = Run({"--answer", "200", "--answer", "abc", "--answer", "", Write(b)});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, At(a0) + " Pot 3,100,B2\nprompt: Pot value for pin 3\nanswer: 200\n" + At(a1) +
                       " Pot 3,100,B3\nprompt: Pot value for pin 3\nanswer: abc\n"
                       "message: Enter a whole number from -32768 to 32767\n" +
                       At(a2) + " PulsIn 2,1,W2\nprompt: Enter 10uS pulse length for pin 2\nanswer: \n" + At(a3) +
                       " Pot 3,100,B4\nprompt: Pot value for pin 3\nanswer: (cancel)\n" +
                       Words("0000", "00C8", "0000", "0000") + "next: " + At(end) + " End\n");

  // Value boxes with text are read without a prompt; 300 into a byte keeps its low 8 bits (B2, B3, B4).
  const Result boxes = Run({"--quiet", "--pot", " 300 ", "--pulsin", "-2", Write(b)});
  EXPECT_EQ(boxes.Out, Words("0000", "2C2C", "FF2C", "0000") + "next: " + At(end) + " End\n");
}

TEST_F(RunnerTest, RunWaitsOutAPauseInTicks) {
  ProgramBuilder b;
  const int pause = b.Here();
  b.Pause(C(100));
  const int high = b.Here();
  b.High(C(0));
  const int end = b.Here();
  b.End();
  const std::string file = Write(b);

  // The tick that runs Pause, nine that only count its 100 ms down, and the tenth that runs High.
  Result r = Run({"--run", file});
  EXPECT_EQ(r.Out, At(pause) + " Pause 100\n" + At(high) + " High 0\n" + Words("0000", "0000", "0000", "0101") +
                       "next: " + At(end) + " End\n" + "ticks: 11\n");

  // Through the end: End restarts the program and stops the timer, which ends the run.
  r = Run({"--run", "--through-end", file});
  EXPECT_EQ(r.Out, At(pause) + " Pause 100\n" + At(high) + " High 0\n" + At(end) + " End\n" +
                       "message: Program reached end -- Restarting\n" + Words("0000", "0000", "0000", "0101") +
                       "next: " + At(pause) + " Pause 100\n" + "ticks: 12\n");

  // While stepping a wait takes no time.
  r = Run({"--quiet", file});
  EXPECT_EQ(r.Out, Words("0000", "0000", "0000", "0101") + "next: " + At(end) + " End\n");
}

TEST_F(RunnerTest, StepOverRunsTheSubroutineOnTicks) {
  ProgramBuilder b;
  const int call = b.Here();
  b.Gosub("sub");
  const int after = b.Here();
  b.High(C(1));
  const int end = b.Here();
  b.End();
  b.Label("sub");
  const int sub = b.Here();
  b.High(C(2));
  const int ret = b.Here();
  b.Return();

  const Result r = Run({"--step-over", Write(b)});
  EXPECT_EQ(r.Out, At(call) + " Gosub " + Hex(sub) + "\n" + At(sub) + " High 2\n" + At(ret) + " Return\n" + At(after) +
                       " High 1\n" + Words("0000", "0000", "0000", "0606") + "next: " + At(end) + " End\n" +
                       "ticks: 3\n");
}

TEST_F(RunnerTest, WordBoxesAndSwitchesApplyInCommandLineOrder) {
  ProgramBuilder b;
  const int a0 = b.Here();
  b.Let(V("B0"), {{1, V("Pins")}});
  const int a1 = b.Here();
  b.Let(V("W2"), {{1, V("W1")}, {3, C(1)}});
  const int end = b.Here();
  b.End();
  const std::string file = Write(b);

  Result r = Run({"--word", "1=00ff", "--switch", "3", "--switch", "5", "--switch", "5", file});
  EXPECT_EQ(r.Out, At(a0) + " Let B0=Pins\n" + At(a1) + " Let W2=W1+1\n" + Words("0008", "00FF", "0100", "0008") +
                       "next: " + At(end) + " End\n");

  // A box typed and never read shows as the value its text reads as; an output pin's switch writes nothing.
  r = Run({"--steps", "0", "--word", "2=1g2", "--word", "7=0100", "--switch", "0", file});
  EXPECT_EQ(r.Out, "limit: 0\n" + Words("0000", "0000", "0001", "0100") + "next: " + At(a0) + " Let B0=Pins\n");
}

TEST_F(RunnerTest, SoundPrintsTonesAndRests) {
  ProgramBuilder b;
  const int sound = b.Here();
  b.Sound(C(1), {{C(50), C(100)}, {C(10), C(0)}, {C(1), C(127)}, {C(300), C(200)}});
  const int end = b.Here();
  b.End();
  const Result r = Run({Write(b)});
  // Duration codes count 12 ms each, cut to 8 bits; note 200 is beyond hearing and rests.
  EXPECT_EQ(r.Out, At(sound) + " Sound 1,(100,50,0,10,127,1,200,300,)\n" + "tone: 428 Hz 600 ms\n" + "rest: 120 ms\n" +
                       "tone: 10526 Hz 12 ms\n" + "rest: 528 ms\n" + Words("0000", "0000", "0000", "0200") +
                       "next: " + At(end) + " End\n");
}

TEST_F(RunnerTest, UnimplementedInstructionRestartsAndEndsTheRun) {
  ProgramBuilder b;
  const int high = b.Here();
  b.High(C(0));
  const int button = b.Here();
  b.Button();
  const Result r = Run({Write(b)});
  EXPECT_EQ(r.Out, At(high) + " High 0\n" + At(button) + " Button Unimplemented!\n" +
                       "message: Executed an unimplemented command\n" + "message: Program reached end -- Restarting\n" +
                       Words("0000", "0000", "0000", "0101") + "next: " + At(high) + " High 0\n");
}

TEST_F(RunnerTest, StepLimitIsReportedAndQuietDropsTheTrace) {
  ProgramBuilder b;
  b.Label("loop");
  b.Let(V("W0"), {{3, C(1)}});
  const int jump = b.Here();
  b.Goto("loop");
  const std::string file = Write(b);

  Result r = Run({"--quiet", "--steps", "5", file});
  EXPECT_EQ(r.Out, "limit: 5\n" + Words("0003", "0000", "0000", "0000") + "next: " + At(jump) + " Goto 13\n");

  // The limit also ends a free run; ticks are counted.
  r = Run({"--quiet", "--run", "--steps", "4", file});
  EXPECT_EQ(r.Out, "limit: 4\n" + Words("0002", "0000", "0000", "0000") + "next: @013 Let W0=W0+1\n" + "ticks: 4\n");
}

TEST_F(RunnerTest, ImageChangesAndLastPwmAreReported) {
  ProgramBuilder b;
  b.Write(C(0), V("W1"));
  b.Write(C(3), V("B2"));
  b.Pwm(C(3), C(128), C(10));
  b.End();
  const Result r = Run({"--quiet", "--word", "1=ffff", Write(b)});
  const std::string out = r.Out;
  EXPECT_NE(out.find("lastpwm: Pin3=2.51\n"), std::string::npos) << out;
  EXPECT_NE(out.find("eeprom[252]=255\neeprom[255]=-1\n"), std::string::npos) << out;
}

TEST_F(RunnerTest, FilesThatCannotBeLoaded) {
  std::ofstream(dir_ / "short.OBJ", std::ios::binary) << std::string(255, '\0');
  fs::create_directory(dir_ / "folder.OBJ");
  for (const std::string name : {"missing.OBJ", "short.OBJ", "folder.OBJ"}) {
    const Result r = Run({(dir_ / name).string()});
    EXPECT_EQ(r.Status, 2) << name;
    EXPECT_EQ(r.Out, "") << name;
    EXPECT_EQ(r.Err, "File Error!\n") << name;
  }
  EXPECT_FALSE(fs::exists(dir_ / "missing.OBJ"));
}

TEST_F(RunnerTest, BadUsageExitsWithStatusOne) {
  ProgramBuilder b;
  b.End();
  const std::string file = Write(b);
  const std::vector<std::vector<std::string>> cases = {
      {},
      {file, file},
      {"--bogus", file},
      {file, "--steps"},
      {"--steps", "-1", file},
      {"--steps", "1x", file},
      {"--switch", "8", file},
      {"--word", "8=12", file},
      {"--word", "12", file},
      {"--run", "--step-over", file},
  };
  for (const auto& args : cases) {
    const Result r = Run(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.Status, 1) << joined;
    EXPECT_EQ(r.Out, "") << joined;
    EXPECT_NE(r.Err.find("usage: qx9run"), std::string::npos) << joined;
  }
  for (const std::string flag : {"--help", "-h"}) {  // asked for, the usage goes to standard output
    const Result r = Run({flag});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out.rfind("usage: qx9run", 0), 0u) << r.Out;
  }
}

// After "--" every argument is a file, even one that looks like an option.
TEST_F(RunnerTest, DoubleDashEndsTheOptions) {
  ProgramBuilder b;
  b.High(C(3)).End();
  const std::string file = Write(b);
  const fs::path optionLike = dir_ / "--quiet";
  fs::copy_file(file, optionLike);
  const Result plain = Run({file});
  const Result afterDash = Run({"--", file});
  EXPECT_EQ(afterDash.Status, 0);
  EXPECT_EQ(afterDash.Out, plain.Out);
  const Result named = Run({"--steps", "1", "--", optionLike.string()});
  EXPECT_EQ(named.Status, 0) << named.Err;
  EXPECT_EQ(named.Out.rfind("@013 High 3\n", 0), 0u) << named.Out;
  const Result optionAfterDash = Run({"--", "--quiet"});
  EXPECT_EQ(optionAfterDash.Status, 2);
  EXPECT_EQ(optionAfterDash.Err, "File Error!\n");
}

// Every bundled example lists to a source that assembles back to the same bytes and runs alike.
TEST_F(RunnerTest, ReassembledListingsRunAlike) {
  for (const auto& entry : fs::directory_iterator(EXAMPLES_DIR)) {
    if (entry.path().extension() != ".OBJ") continue;
    const std::string original = entry.path().string();
    const std::string listing = (dir_ / "listing.bas").string();
    const std::string copy = (dir_ / "copy.OBJ").string();
    std::ofstream(listing) << Run({"--list", original}).Out;
    ASSERT_EQ(Run({listing, "-o", copy}, QX9ASM_PATH).Status, 0) << original;
    EXPECT_EQ(ReadWhole(copy), ReadWhole(original)) << original;
    const std::vector<std::string> options = {"--run", "--steps", "300", "--pot", "100"};
    auto with = [&](const std::string& file) {
      std::vector<std::string> args = options;
      args.push_back(file);
      return Run(args).Out;
    };
    EXPECT_EQ(with(copy), with(original)) << original;
  }
}

}  // namespace
}  // namespace qx9::test
