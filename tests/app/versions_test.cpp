// What every program says about itself, and the exit status they share for bad usage.
#include <gtest/gtest.h>

#include "support/command.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

using VersionsTest = ScratchDir;

std::vector<std::pair<std::string, std::string>> Programs() {
  std::vector<std::pair<std::string, std::string>> programs = {{"qx9run", QX9RUN_PATH}, {"qx9asm", QX9ASM_PATH}};
#ifdef QX9EMU_PATH
  programs.emplace_back("qx9emu", QX9EMU_PATH);
#endif
  return programs;
}

TEST_F(VersionsTest, VersionHelpAndBadUsage) {
  for (const auto& [name, path] : Programs()) {
    SCOPED_TRACE(name);
    const CommandResult version = RunCommand(dir_, path, {"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, name + " " + QX9_VERSION + "\n");
    const CommandResult help = RunCommand(dir_, path, {"--help"}, "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("usage: " + name), std::string::npos);
    const CommandResult bad = RunCommand(dir_, path, {"-v"}, "QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find(name + ": unknown option -v\n"), std::string::npos) << bad.Err;
    EXPECT_EQ(bad.Out, "");
  }
}

#ifdef QX9EMU_PATH
TEST_F(VersionsTest, TheEmulatorWithoutADisplaySaysSoInsteadOfAborting) {
  const CommandResult r =
      RunCommand(dir_, QX9EMU_PATH, {"file.OBJ"}, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.rfind("qx9emu: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)", 0), 0u) << r.Err;
}
#endif

}  // namespace
}  // namespace qx9::test
