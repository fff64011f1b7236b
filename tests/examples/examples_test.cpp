// The bundled examples, loaded from their object files as the panel loads them: each runs ten seconds
// without a message or a prompt, and does what its README promises beyond what its scenario in
// examples/scenarios checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rig.h"

namespace qx9::test {
namespace {

int Pins(const Rig& r) { return r.m.Ram[kPortWord] & 0xFF; }

// Ticks while running; the pin levels each time they changed, the first value included.
std::vector<int> WatchPins(Rig& r, int ticks) {
  std::vector<int> seen{Pins(r)};
  for (int t = 0; t < ticks && r.host.TimerEnabled(); ++t) {
    r.m.Timer1_Timer();
    if (Pins(r) != seen.back()) seen.push_back(Pins(r));
  }
  return seen;
}

void Load(Rig& r, const std::string& name) {
  ASSERT_TRUE(r.m.LoadObjectFile(std::string(QX9_EXAMPLES_DIR) + "/" + name + ".OBJ")) << name;
  r.m.StartProgram();
  r.host.ClearEvents();
}

TEST(Examples, EachRunsTenSecondsQuietly) {
  for (const char* name : {"BLINK", "COUNTER", "POTPWM", "SUBROUT", "SWITCHES", "TUNE"}) {
    Rig r;
    Load(r, name);
    r.host.SetPotText("100");
    r.m.RunBtn_Click();
    EXPECT_EQ(TickWhileRunning(r.m, r.host, 10000), 10000) << name;
    EXPECT_EQ(r.host.Count(EventKind::Message), 0) << name;
    EXPECT_EQ(r.host.Count(EventKind::Prompt), 0) << name;
  }
}

TEST(Examples, CounterCountsUpTo255OnTheLedsThenBackDown) {
  Rig r;
  Load(r, "COUNTER");
  r.m.RunBtn_Click();
  std::vector<int> expected;
  for (int v = 0; v <= 255; ++v) expected.push_back(v);
  for (int v = 254; v >= 0; --v) expected.push_back(v);
  std::vector<int> pins = WatchPins(r, 8000);
  ASSERT_GE(pins.size(), expected.size());
  pins.resize(expected.size());
  EXPECT_EQ(pins, expected);
}

}  // namespace
}  // namespace qx9::test
