// qx9run --vcd and --wav through the real binary: the files, and paths that cannot be written.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qx9::test {
namespace {

namespace fs = std::filesystem;

class RunExportsTest : public ::testing::Test {
 protected:
  struct Result {
    int Status = -1;
    std::string Out;
    std::string Err;
  };

  void SetUp() override {
    char pattern[] = "/tmp/qx9run-exports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
  }

  // Runs qx9run with its output kept outside the folder under test, so the listing shows only exports.
  Result Run(const std::vector<std::string>& args) {
    std::string command = std::string("'") + QX9RUN_PATH + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    const fs::path out = dir_.string() + ".out";
    const fs::path err = dir_.string() + ".err";
    command += " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    Result result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    fs::remove(out);
    fs::remove(err);
    return result;
  }

  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  const std::string tune_ = std::string(EXAMPLES_DIR) + "/TUNE.OBJ";
  fs::path dir_;
};

TEST_F(RunExportsTest, WritesBothFilesAndTheUsualOutput) {
  const std::string vcd = (dir_ / "tune.vcd").string();
  const std::string wav = (dir_ / "tune.wav").string();
  const Result r = Run({"--steps", "13", "--quiet", "--vcd", vcd, "--wav", wav, tune_});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_NE(r.Out.find("next: @188 Goto 2E\n"), std::string::npos) << r.Out;
  EXPECT_EQ(Listing(), (std::vector<std::string>{"tune.vcd", "tune.wav"}));
  EXPECT_EQ(Slurp(vcd).rfind("$version qx9emu signal recorder $end\n$timescale 1us $end\n", 0), 0u);
  // 1596 ms of notes and rests (70384 samples) of 2 bytes after a 44-byte header.
  EXPECT_EQ(fs::file_size(wav), 44u + 2u * 70384u);
}

TEST_F(RunExportsTest, APathThatCannotBeWrittenExitsWithStatusTwoAndLeavesNothing) {
  const std::string missing = (dir_ / "no" / "such.vcd").string();
  const std::string folder = dir_.string();
  const Result r = Run({"--steps", "4", "--quiet", "--vcd", missing, "--wav", folder, tune_});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qx9run: cannot write " + missing + ": No such file or directory\n" +
                       "qx9run: cannot write " + folder + ": it is a folder\n");
  EXPECT_NE(r.Out.find("limit: 4\n"), std::string::npos) << r.Out;
  EXPECT_TRUE(Listing().empty());
}

TEST_F(RunExportsTest, OneBadPathStillWritesTheOtherFile) {
  const std::string wav = (dir_ / "tune.wav").string();
  const Result r = Run({"--steps", "4", "--quiet", "--vcd", "/proc/tune.vcd", "--wav", wav, tune_});
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.rfind("qx9run: cannot write /proc/tune.vcd: ", 0), 0u) << r.Err;
  EXPECT_EQ(Listing(), (std::vector<std::string>{"tune.wav"}));
}

TEST_F(RunExportsTest, BadUsageExitsWithStatusOne) {
  const std::vector<std::vector<std::string>> cases = {
      {tune_, "--vcd"},
      {"--wav"},
      {"--list", "--vcd", "x.vcd", tune_},
  };
  for (const auto& args : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.Status, 1) << args.back();
    EXPECT_EQ(r.Err.rfind("qx9run: ", 0), 0u) << r.Err;
  }
  EXPECT_TRUE(Listing().empty());
}

}  // namespace
}  // namespace qx9::test
