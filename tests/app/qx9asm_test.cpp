// qx9asm's real binary: names, messages, never destroying an output or reading a non-file; every tool's --version.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/command.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

namespace fs = std::filesystem;

const std::string kSource = "High 3\nloop: Toggle 3\nGoto loop\n";
const std::string kOldObject(256, 'x');

class AsmTest : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    fs::create_directory(dir_ / "work");
  }

  fs::path Put(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / "work" / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  CommandResult Asm(const std::vector<std::string>& args) { return RunCommand(dir_, QX9ASM_PATH, args); }
  // With a file size limit of 0 every write fails; its messages go through a pipe, which has no limit.
  CommandResult AsmWritingNothing(const std::vector<std::string>& args) {
    std::vector<std::string> all = {
        "-c", "set -o pipefail; (trap '' XFSZ; ulimit -f 0; exec \"$0\" \"$@\") 2>&1 | cat >&2", QX9ASM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return RunCommand(dir_, "bash", all);
  }
  // The names in the work folder (a temporary file left behind would show here).
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_ / "work")) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(AsmTest, WritesTheDefaultNameBesideTheSourceWithTheUsualPermissions) {
  const std::pair<std::string, std::string> cases[] = {
      {"count.bas", "count.OBJ"},
      {"noext", "noext.OBJ"},
      {"two.dots.bas", "two.dots.OBJ"},
  };
  const mode_t mask = umask(027);
  for (const auto& [source, object] : cases) {
    const CommandResult r = Asm({Put(source, kSource).string()});
    EXPECT_EQ(r.Status, 0) << source << ": " << r.Err;
    EXPECT_EQ(fs::file_size(dir_ / "work" / object), 256u) << source;
  }
  umask(mask);
  EXPECT_EQ(fs::status(dir_ / "work" / "count.OBJ").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(AsmTest, LeavesAnExistingObjectAloneWhenItCannotBeReplaced) {
  const fs::path source = Put("p.bas", kSource);
  const fs::path object = Put("p.OBJ", kOldObject);
  const fs::path bad = Put("bad.bas", "High 3\nJump 4\n  Let B0=B99\n");
  const CommandResult errors = Asm({bad.string(), "-o", object.string()});
  EXPECT_EQ(errors.Status, 1);
  EXPECT_EQ(errors.Err,
            bad.string() + ":2:1: unknown instruction 'Jump'\n" + bad.string() + ":3:10: unknown variable 'B99'\n");
  EXPECT_EQ(ReadWhole(object), kOldObject);
  const CommandResult failed = AsmWritingNothing({source.string()});
  EXPECT_EQ(failed.Status, 2);
  EXPECT_EQ(ReadWhole(object), kOldObject);
  EXPECT_EQ(failed.Err, object.string() + ": cannot write the object file (File too large); nothing was changed\n");
  EXPECT_EQ(Names(), (std::vector<std::string>{"bad.bas", "p.OBJ", "p.bas"}));
}

TEST_F(AsmTest, RefusesOutputPathsThatAreNotFilesOrTheSource) {
  const fs::path source = Put("p.bas", kSource);
  ASSERT_EQ(mkfifo((dir_ / "work" / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", dir_ / "work" / "to-null");
  const std::pair<std::string, std::string> cases[] = {
      {"fifo", ": not a regular file; the object file is not written there\n"},
      {"to-null", ": not a regular file; the object file is not written there\n"},
      {"p.bas", ": is the source file itself; choose another name for the object file\n"},
  };
  for (const auto& [name, message] : cases) {
    const fs::path output = dir_ / "work" / name;
    const CommandResult r = Asm({source.string(), "-o", output.string()});
    EXPECT_EQ(r.Status, 2) << name;
    EXPECT_EQ(r.Err, output.string() + message);
  }
  EXPECT_TRUE(fs::is_fifo(dir_ / "work" / "fifo"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "work" / "to-null"));
  EXPECT_EQ(ReadWhole(source), kSource);
  EXPECT_EQ(Names(), (std::vector<std::string>{"fifo", "p.bas", "to-null"}));
}

TEST_F(AsmTest, RefusesSourcesThatAreNotRegularFiles) {
  const fs::path big = Put("big.bas", std::string((1 << 20) + 1, '\n'));
  const struct {
    std::string Source;
    std::string Message;
  } cases[] = {
      {"/dev/zero", ": not a regular file; the source must be a text file\n"},
      {big.string(), ": the source is 1048577 bytes; the most qx9asm reads is 1048576 (1 MiB)\n"},
      {(dir_ / "work" / "missing.bas").string(), ": cannot read the source file (No such file or directory)\n"},
  };
  for (const auto& c : cases) {
    const CommandResult r = Asm({c.Source});
    EXPECT_EQ(r.Status, 2) << c.Source;
    EXPECT_EQ(r.Err, c.Source + c.Message);
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"big.bas"}));
}

TEST_F(AsmTest, EveryToolSaysItsVersionAndRefusesAnUnknownOption) {
  std::vector<std::pair<std::string, std::string>> programs = {{"qx9run", QX9RUN_PATH}, {"qx9asm", QX9ASM_PATH}};
#ifdef QX9EMU_PATH
  programs.emplace_back("qx9emu", QX9EMU_PATH);
#endif
  for (const auto& [name, path] : programs) {
    SCOPED_TRACE(name);
    const CommandResult version = RunCommand(dir_, path, {"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, name + " " + QX9_VERSION + "\n");
    const CommandResult bad = RunCommand(dir_, path, {"-v"}, "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find(name + ": unknown option -v\n"), std::string::npos) << bad.Err;
    EXPECT_EQ(bad.Out, "");
  }
}

#ifdef QX9EMU_PATH
TEST_F(AsmTest, TheEmulatorWithoutADisplaySaysSoInsteadOfAborting) {
  const CommandResult r =
      RunCommand(dir_, QX9EMU_PATH, {"file.OBJ"}, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.rfind("qx9emu: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)", 0), 0u) << r.Err;
}
#endif

}  // namespace
}  // namespace qx9::test
