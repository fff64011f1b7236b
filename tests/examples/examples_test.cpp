// Each bundled example, loaded as the panel loads it, runs ten seconds without a message or a prompt.
#include <gtest/gtest.h>

#include <string>

#include "support/rig.h"

namespace qx9::test {
namespace {

TEST(Examples, EachRunsTenSecondsQuietly) {
  for (const char* name : {"BLINK", "COUNTER", "POTPWM", "SUBROUT", "SWITCHES", "TUNE"}) {
    Rig r;
    ASSERT_TRUE(r.m.LoadObjectFile(std::string(QX9_EXAMPLES_DIR) + "/" + name + ".OBJ")) << name;
    r.m.StartProgram();
    r.host.ClearEvents();
    r.host.SetPotText("100");
    r.m.RunBtn_Click();
    EXPECT_EQ(TickWhileRunning(r.m, r.host, 10000), 10000) << name;
    EXPECT_EQ(r.host.Count(EventKind::Message), 0) << name;
    EXPECT_EQ(r.host.Count(EventKind::Prompt), 0) << name;
  }
}

}  // namespace
}  // namespace qx9::test
