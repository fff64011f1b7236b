// Loading the object file and resetting the machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/rig.h"

namespace qx9::test {
namespace {

namespace fs = std::filesystem;

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qx9-loader-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (int i = 0; i < kImageSize; ++i) r.m.Eeprom[i] = 0x5A;  // a previous image
  }
  void TearDown() override { fs::remove_all(dir); }

  // A file of `size` bytes whose byte i is i mod 251 (so byte 255 differs from byte 4).
  std::string File(const std::string& name, size_t size) {
    const fs::path path = dir / name;
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(i % 251));
    return path.string();
  }
  bool ImageUntouched() const {
    for (int16_t e : r.m.Eeprom) {
      if (e != 0x5A) return false;
    }
    return true;
  }

  fs::path dir;
  Rig r;
};

TEST_F(Loader, AcceptsTheFirst256Bytes) {
  for (size_t size : {256u, 1000u}) {
    ASSERT_TRUE(r.m.LoadObjectFile(File("prog.obj", size))) << size;
    for (int i = 0; i < kImageSize; ++i) ASSERT_EQ(r.m.Eeprom[i], i % 251) << size << " byte " << i;
  }
}

TEST_F(Loader, RefusesWhatCannotBeAWholeImageAndLeavesEverythingAsItWas) {
  const std::string missing = (dir / "missing.obj").string();
  const std::string cases[] = {File("short.obj", 255), File("empty.obj", 0), missing, dir.string()};
  for (const std::string& path : cases) {
    EXPECT_FALSE(r.m.LoadObjectFile(path)) << path;
    EXPECT_TRUE(ImageUntouched()) << path;
  }
  EXPECT_FALSE(fs::exists(missing));  // the loader never creates a file
  EXPECT_EQ(fs::file_size(dir / "short.obj"), 255u);
  // After a refusal a good file still loads.
  EXPECT_TRUE(r.m.LoadObjectFile(File("good.obj", 256)));
}

TEST_F(Loader, ResetKeepsThePortWordAndClearsTheRest) {
  r.m.Ram = {1, 2, 3, 4, 5, 6, 7, -32767};
  r.m.GosubDepth = 5;
  r.m.GosubStack[0] = 99;
  r.m.StepOverArmed = true;
  r.m.StepOverTarget = 40;
  r.m.WaitMs = 300;
  r.m.InstrText = "Let B0=5";
  r.m.TokByte = 40;
  r.m.ResetMachine();
  EXPECT_EQ(r.m.Ram, (std::array<int32_t, 8>{0, 0, 0, 0, 0, 0, 0, -32767}));
  EXPECT_EQ(r.m.GosubDepth, 0);
  EXPECT_EQ(r.m.GosubStack[0], 99);  // entries are not cleared, only the depth
  EXPECT_FALSE(r.m.StepOverArmed);
  EXPECT_EQ(r.m.StepOverTarget, 0);
  EXPECT_EQ(r.m.WaitMs, 0);
  EXPECT_EQ(r.m.InstrText, "Let B0=5");
  EXPECT_EQ(r.Pos(), std::make_pair(2, 4));
  EXPECT_EQ(r.m.LinearAddress(), 19);
}

TEST_F(Loader, TheLoadStepResetsAndPreviewsWithoutExecuting) {
  // Bytes 2..4 = 00 A7 F0: the three skipped bits, High 3, End.
  std::array<uint8_t, 256> image{};
  image[3] = 0xA7;
  image[4] = 0xF0;
  r.m.LoadImage(image);
  r.m.StartProgram();
  EXPECT_FALSE(r.m.RestartPending);
  EXPECT_EQ(r.Pos(), std::make_pair(2, 4));
  EXPECT_EQ(r.m.Ram[7], 0);  // High 3 not executed
  EXPECT_EQ(r.m.Ram[0], 0);
  EXPECT_EQ(r.host.StateBox(), "High 3");
  EXPECT_EQ(r.host.Count(EventKind::Message), 0);
  // Stepping runs High 3 and previews End.
  r.m.Step_Click();
  EXPECT_EQ(r.m.Ram[7], 0x0808);
  EXPECT_EQ(r.host.StateBox(), "End");
}

}  // namespace
}  // namespace qx9::test
