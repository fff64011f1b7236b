// qx9run --vcd and --wav through the real binary: the files, and paths that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

namespace fs = std::filesystem;

using Result = CommandResult;

class RunExportsTest : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    fs::create_directory(dir_ / "files");
  }

  // Runs qx9run on TUNE; the folder `files` holds only what the run exported.
  Result Run(std::vector<std::string> args) {
    args.push_back(std::string(EXAMPLES_DIR) + "/TUNE.OBJ");
    return RunCommand(dir_, QX9RUN_PATH, args);
  }

  std::string File(const std::string& name) const { return (dir_ / "files" / name).string(); }
  size_t FileCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_ / "files"), fs::directory_iterator()));
  }
};

TEST_F(RunExportsTest, WritesBothFiles) {
  const Result r = Run({"--steps", "13", "--quiet", "--vcd", File("tune.vcd"), "--wav", File("tune.wav")});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(FileCount(), 2u);
  EXPECT_GT(fs::file_size(File("tune.vcd")), 0u);
  // 1596 ms of notes and rests (70384 samples) of 2 bytes after a 44-byte header.
  EXPECT_EQ(fs::file_size(File("tune.wav")), 44u + 2u * 70384u);
}

TEST_F(RunExportsTest, APathThatCannotBeWrittenExitsWithStatusTwoAndTheOtherFileIsStillWritten) {
  const std::string missing = File("no/such.vcd");
  const Result r = Run({"--steps", "4", "--quiet", "--vcd", missing, "--wav", File("tune.wav")});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qx9run: cannot write " + missing + ": No such file or directory\n");
  EXPECT_EQ(FileCount(), 1u);
  EXPECT_TRUE(fs::exists(File("tune.wav")));
}

TEST_F(RunExportsTest, AFolderGivenAsTheFileExitsWithStatusTwo) {
  const Result r = Run({"--steps", "4", "--quiet", "--vcd", File("")});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qx9run: cannot write " + File("") + ": it is a folder\n");
  EXPECT_EQ(FileCount(), 0u);
}

TEST_F(RunExportsTest, BadUsageExitsWithStatusOne) {
  const std::vector<std::vector<std::string>> cases = {{"--vcd"}, {"--wav"}, {"--list", "--vcd", File("x.vcd")}};
  for (const auto& args : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.Status, 1) << args.back();
    EXPECT_EQ(r.Err.rfind("qx9run: ", 0), 0u) << r.Err;
  }
  EXPECT_EQ(FileCount(), 0u);
}

}  // namespace
}  // namespace qx9::test
