// State files: the round trip, and every kind of file that must be refused without changing anything.
#include "core/state_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

namespace fs = std::filesystem;

SavedMachine Sample() {
  SavedMachine s;
  for (int i = 0; i < kImageSize; ++i) s.Image[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7);
  for (int i = 0; i < kImageSize; ++i) s.State.Eeprom[static_cast<size_t>(i)] = s.Image[static_cast<size_t>(i)];
  s.State.Eeprom[200] = -1234;
  s.State.Ram = {1, -2, 300, -32768, 32767, 0x12345678, 0, 0x0F0F};
  s.State.TokByte = 256;  // run off the end of the image
  s.State.TokBit = 7;
  s.State.GosubStack[3] = 812;
  s.State.GosubDepth = 4;
  s.State.RestartPending = true;
  s.State.WaitMs = -5;  // a tick counts 10 ms off a wait of 5
  s.State.StepOverTarget = 77;
  s.State.SwitchUp[6] = true;
  s.State.SimTimeUs = 123456789;
  s.State.InstrText = "Let B0=B0+1";
  s.State.OperandText = "1";
  s.InstructionsExecuted = 4242;
  s.LastPwm = "Pin3=2.51";
  return s;
}

class StateFileTest : public ScratchDir {
 protected:
  std::string Bytes(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Put(const std::string& path, const std::string& bytes) const { std::ofstream(path, std::ios::binary) << bytes; }
};

TEST_F(StateFileTest, ASavedStateReplacesTheOldFileLoadsBackEqualAndLeavesNoTemporaryFile) {
  SavedMachine saved = Sample();
  saved.InstructionsExecuted = 1;
  ASSERT_EQ(SaveStateFile(Path("a.state"), saved), "");
  saved = Sample();
  ASSERT_EQ(SaveStateFile(Path("a.state"), saved), "");
  SavedMachine loaded;
  ASSERT_EQ(LoadStateFile(Path("a.state"), loaded), "");
  EXPECT_EQ(loaded.State, saved.State);
  EXPECT_EQ(loaded.Image, saved.Image);
  EXPECT_EQ(loaded.InstructionsExecuted, saved.InstructionsExecuted);
  EXPECT_EQ(loaded.LastPwm, saved.LastPwm);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  const mode_t mask = umask(0);
  umask(mask);
  const auto expected = static_cast<fs::perms>(0666 & ~mask);
  EXPECT_EQ(fs::status(Path("a.state")).permissions(), expected);
}

TEST_F(StateFileTest, AFailedSaveSaysWhyAndLeavesNothingBehind) {
  const std::string error = SaveStateFile(Path("missing/a.state"), Sample());
  EXPECT_EQ(error.rfind("cannot write " + Path("missing/a.state") + ": ", 0), 0u) << error;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 0);
}

TEST_F(StateFileTest, BadFilesAreRefusedWithAClearMessageAndChangeNothing) {
  ASSERT_EQ(SaveStateFile(Path("good"), Sample()), "");
  const std::string good = Bytes(Path("good"));
  SavedMachine bad = Sample();
  bad.State.TokByte = 257;
  ASSERT_EQ(SaveStateFile(Path("far"), bad), "");
  bad = Sample();
  bad.State.GosubDepth = 18;
  ASSERT_EQ(SaveStateFile(Path("deep"), bad), "");

  std::string future = good;
  future[8] = 2;
  std::string flipped = good;
  flipped[300] = static_cast<char>(flipped[300] ^ 0x10);
  struct Case {
    const char* Name;
    std::function<void(const std::string&)> Make;  // writes the file at the path, or not
    std::string Message;                           // after the path
  };
  const std::vector<Case> cases = {
      {"missing", [](const std::string&) {}, ": no such file"},
      {"folder", [](const std::string& p) { fs::create_directory(p); }, ": not a regular file"},
      {"foreign", [&](const std::string& p) { Put(p, "\x89PNG\r\n\x1a\n and the rest of a picture"); },
       " is not a qx9 state file"},
      {"cut in the payload", [&](const std::string& p) { Put(p, good.substr(0, good.size() - 1)); }, " is truncated"},
      {"bytes after the end", [&](const std::string& p) { Put(p, good + "x"); }, " is damaged (bytes after its end)"},
      {"a flipped bit", [&](const std::string& p) { Put(p, flipped); }, " is damaged (checksum mismatch)"},
      {"future version", [&](const std::string& p) { Put(p, future); },
       " was written by a newer version (state format 2; this one reads format 1)"},
      {"position off the image", [&](const std::string& p) { Put(p, Bytes(Path("far"))); },
       " is damaged (the token position lies outside the image)"},
      {"stack too deep", [&](const std::string& p) { Put(p, Bytes(Path("deep"))); },
       " is damaged (the return stack is deeper than the machine's)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Path(std::string("case ") + c.Name);
    c.Make(path);
    SavedMachine out;
    out.LastPwm = "untouched";
    const std::string error = LoadStateFile(path, out);
    EXPECT_TRUE(error.ends_with(path + c.Message)) << error;
    EXPECT_EQ(out.LastPwm, "untouched");
    EXPECT_EQ(out.InstructionsExecuted, 0u);
  }
}

}  // namespace
}  // namespace qx9::test
