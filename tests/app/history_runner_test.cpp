// qx9run's --back, --who-wrote, --save-state and --load-state, run in-process on random programs.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "runner.h"
#include "support/command.h"
#include "support/program_builder.h"
#include "support/random_program.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

// From the words line on: what the machine holds at the point the run ended (or went back) to.
std::string FinalBlock(const std::string& out) {
  const size_t at = out.find("W0=");
  return at == std::string::npos ? "(no final block)\n" + out : out.substr(at);
}

class HistoryRunnerTest : public ScratchDir {
 protected:
  std::string Write(const std::array<uint8_t, 256>& image) {
    std::ofstream(Path("prog.OBJ"), std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 256);
    return Path("prog.OBJ");
  }
  static CommandResult Run(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunMain(args, out, err);
    return {status, out.str(), err.str()};
  }
};

// The boxes hold texts, so no prompt waits for an answer that a shorter run would not use up.
const std::vector<std::string> kWorld = {"--quiet", "--through-end", "--pot", "42", "--pulsin", "-3"};

std::vector<std::string> Args(std::vector<std::string> extra, const std::string& file) {
  std::vector<std::string> args = kWorld;
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(file);
  return args;
}

TEST_F(HistoryRunnerTest, GoingBackNShowsThePointNInstructionsEarlierOrTheStart) {
  const std::string file = Write(
      ProgramBuilder().Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}}).End().Build());
  const char* const next[] = {"@04F End", "@03B Let W0=W0+1", "@027 Let W0=W0+1", "@013 Let W0=W0+1"};
  for (int n = 0; n <= 3; ++n) {
    const std::string point = std::to_string(3 - n);
    const CommandResult r = Run({"--quiet", "--back", std::to_string(n), file});
    EXPECT_EQ(r.Err, "") << n;
    EXPECT_EQ(r.Out, "back: #" + point + "\nW0=000" + point +
                         " W1=0000 W2=0000 W3=0000 W4=0000 W5=0000 W6=0000 PORT=0000\nnext: " + next[n] + "\n");
  }
  const CommandResult beyond = Run({"--quiet", "--back", "5", file});
  EXPECT_EQ(beyond.Status, kExitOk);
  EXPECT_EQ(beyond.Err, "qx9run: --back 5 goes beyond the history of 3 instructions; going back to its start\n");
  EXPECT_EQ(beyond.Out.rfind("back: #0\nW0=0000 ", 0), 0u) << beyond.Out;
}

TEST_F(HistoryRunnerTest, ASavedRunGoesOnFromItsStateAsOneLongRunWould) {
  std::mt19937 rng(4);
  for (int program = 0; program < 25; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    const std::string file = Write(RandomProgram(rng).Build());
    const std::string state = Path("p.state");
    const int k = static_cast<int>(rng() % 300);
    const int m = static_cast<int>(rng() % 300);
    SCOPED_TRACE("K=" + std::to_string(k) + " M=" + std::to_string(m));
    const CommandResult first = Run(Args({"--steps", std::to_string(k), "--save-state", state}, file));
    ASSERT_EQ(first.Status, kExitOk);
    ASSERT_EQ(first.Err, "");
    const CommandResult resumed = Run(Args({"--steps", std::to_string(m), "--load-state", state}, file));
    const CommandResult whole = Run(Args({"--steps", std::to_string(k + m)}, file));
    EXPECT_EQ(resumed.Status, kExitOk);
    EXPECT_EQ(FinalBlock(resumed.Out), FinalBlock(whole.Out));
  }
}

TEST_F(HistoryRunnerTest, WhoWroteNamesTheLastChangeOfEachTargetAfterTheFinalBlock) {
  // @013 High 2, @01F Let B1=7, @036 Write 55,W0 (image entry 200), End
  const std::string file =
      Write(ProgramBuilder().High(C(2)).Let(V("B1"), {{1, C(7)}}).Write(C(55), V("W0")).End().Build());
  const CommandResult r = Run(
      {"--quiet", "--who-wrote", "W0", "--who-wrote", "Pin2", "--who-wrote", "eeprom[200]", "--who-wrote", "B0", file});
  EXPECT_EQ(r.Status, kExitOk);
  const std::string tail = r.Out.substr(r.Out.find("next:"));
  EXPECT_EQ(tail.substr(tail.find('\n') + 1),
            "eeprom[200]=1792\n"
            "who-wrote: W0 @01F #2\n"
            "who-wrote: Pin2 @013 #1\n"
            "who-wrote: eeprom[200] @036 #3\n"
            "who-wrote: B0 none\n");
}

}  // namespace
}  // namespace qx9::test
