// The checked-in example programs, run on the core the way the panel runs them: each must do what its
// README promises, so a user who opens one sees the panel at work and not a "Program reached end".

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/machine.h"
#include "support/fake_host.h"

namespace qx9::test {
namespace {

struct Example {
  FakeHost host;
  Machine m{host};

  // The load step, as the panel does it after the file dialog.
  explicit Example(const std::string& name) {
    const std::string path = std::string(QX9_EXAMPLES_DIR) + "/" + name + ".OBJ";
    loaded = m.LoadObjectFile(path);
    if (loaded) m.StartProgram();
  }
  bool loaded = false;

  int Pins() const { return m.Ram[kPortWord] & 0xFF; }
  int Dirs() const { return (m.Ram[kPortWord] >> 8) & 0xFF; }

  // Ticks while running; returns the pin levels each time they changed (the first value included).
  std::vector<int> RunAndWatchPins(int ticks) {
    std::vector<int> seen{Pins()};
    for (int t = 0; t < ticks && host.TimerEnabled(); ++t) {
      m.Timer1_Timer();
      if (Pins() != seen.back()) seen.push_back(Pins());
    }
    return seen;
  }
  void Tick(int ticks) { TickWhileRunning(m, host, ticks); }
};

std::vector<std::string> Sounds(const FakeHost& host) {
  std::vector<std::string> out;
  for (const Event& e : host.Events()) {
    if (e.Kind == EventKind::Tone || e.Kind == EventKind::Rest) out.push_back(e.Line());
  }
  return out;
}

// Ten thousand ticks are ten seconds of running on the panel.
TEST(Examples, EveryExampleRunsTenSecondsWithoutAMessageOrAPrompt) {
  for (const char* name : {"BLINK", "SWITCHES", "SUBROUT", "POTPWM", "COUNTER", "TUNE"}) {
    Example e(name);
    ASSERT_TRUE(e.loaded) << name;
    e.host.SetPotText("100");
    e.host.ClearEvents();
    e.m.RunBtn_Click();
    e.Tick(10000);
    EXPECT_TRUE(e.host.TimerEnabled()) << name;
    EXPECT_EQ(e.host.Count(EventKind::Message), 0) << name;
    EXPECT_EQ(e.host.Count(EventKind::Prompt), 0) << name;
  }
}

TEST(Examples, BlinkSwapsHalfTheLedsEveryHalfSecond) {
  Example e("BLINK");
  ASSERT_TRUE(e.loaded);
  e.m.RunBtn_Click();
  e.Tick(2);  // Let Dirs, Let Pins
  EXPECT_EQ(e.Dirs(), 0xFF);
  EXPECT_EQ(e.Pins(), 0x55);
  // Each round: Pause 500 (the tick that sets it and 49 that count it down), the swap on the tick that
  // ends it, and the Goto: 52 ticks.
  int swaps = 0;
  int last = e.Pins();
  int lastSwapTick = 2;
  for (int t = 3; t <= 2 + 52 * 10; ++t) {
    e.m.Timer1_Timer();
    if (e.Pins() != last) {
      EXPECT_EQ(e.Pins(), last ^ 0xFF) << "tick " << t;
      if (swaps > 0) {
        EXPECT_EQ(t - lastSwapTick, 52) << "tick " << t;
      }
      last = e.Pins();
      lastSwapTick = t;
      ++swaps;
    }
  }
  EXPECT_EQ(swaps, 10);
}

TEST(Examples, BlinkSkipsThePauseWhenStepping) {
  Example e("BLINK");
  ASSERT_TRUE(e.loaded);
  for (int i = 0; i < 2; ++i) e.m.Step_Click();
  EXPECT_EQ(e.host.StateBox(), "Pause 500");
  e.m.Step_Click();  // Pause: no wait while stepping
  EXPECT_EQ(e.m.WaitMs, 0);
  e.m.Step_Click();
  EXPECT_EQ(e.Pins(), 0xAA);
}

TEST(Examples, SwitchesAreCopiedToTheUpperLeds) {
  Example e("SWITCHES");
  ASSERT_TRUE(e.loaded);
  e.m.RunBtn_Click();
  e.Tick(10);
  ASSERT_TRUE(e.host.LastPanel().has_value());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(e.host.LastPanel()->SwitchEnabled[i], i < 4) << i;

  e.m.GInBtn_Click(0);
  e.m.GInBtn_Click(2);
  e.Tick(3);
  EXPECT_EQ(e.Pins(), 0x55);
  e.m.GInBtn_Click(0);
  e.m.GInBtn_Click(3);
  e.Tick(3);
  EXPECT_EQ(e.Pins(), 0xCC);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(e.host.LastPanel()->LedOn[i], ((0xCC >> i) & 1) != 0) << i;
}

TEST(Examples, StepOverRunsTheWholeSweepAndStopsAfterTheCall) {
  Example e("SUBROUT");
  ASSERT_TRUE(e.loaded);
  e.m.Step_Click();  // Let Dirs
  ASSERT_EQ(e.host.StateBox().rfind("Gosub ", 0), 0u) << e.host.StateBox();
  e.m.StepOver_Click();
  ASSERT_TRUE(e.host.TimerEnabled());
  const std::vector<int> pins = e.RunAndWatchPins(5000);
  EXPECT_FALSE(e.host.TimerEnabled());
  // One lit LED walking from pin 0 to pin 7, and nothing else.
  EXPECT_EQ(pins, (std::vector<int>{0, 1, 2, 4, 8, 16, 32, 64, 128}));
  // The free run stopped right after the instruction at the return position, the count.
  EXPECT_EQ(e.m.Ram[0] & 0xFF, 1);
  EXPECT_EQ(e.m.GosubDepth, 0);
  e.m.PreviewNext();
  EXPECT_EQ(e.host.StateBox(), "Let Pins=B0");
}

TEST(Examples, PotDrivesPwmAndTheBar) {
  Example e("POTPWM");
  ASSERT_TRUE(e.loaded);
  e.host.SetPotText("128");
  e.m.RunBtn_Click();
  e.Tick(60);
  EXPECT_EQ(e.host.LastPWMText(), "Pin1=2.51");
  EXPECT_EQ(e.Pins(), 0xE0);  // 128 / 37 = 3 LEDs
  EXPECT_EQ(e.Dirs(), 0xFC);  // PWM leaves its pin an input

  e.host.SetPotText("255");
  e.Tick(60);
  EXPECT_EQ(e.host.LastPWMText(), "Pin1=5.00");
  EXPECT_EQ(e.Pins(), 0xFC);

  e.host.SetPotText("0");
  e.Tick(60);
  EXPECT_EQ(e.host.LastPWMText(), "Pin1=0.00");
  EXPECT_EQ(e.Pins(), 0x00);
  EXPECT_EQ(e.host.Count(EventKind::Prompt), 0);
}

TEST(Examples, PotAsksWhenTheBoxIsEmpty) {
  Example e("POTPWM");
  ASSERT_TRUE(e.loaded);
  e.host.QueueAnswer("51");
  e.m.Step_Click();  // Let Dirs
  e.m.Step_Click();  // Pot
  EXPECT_EQ(e.host.Texts(EventKind::Prompt), std::vector<std::string>{"Pot value for pin 0"});
  e.m.Step_Click();  // PWM
  EXPECT_EQ(e.host.LastPWMText(), "Pin1=1.00");
}

TEST(Examples, CounterCountsUpToTheTopAndBackDown) {
  Example e("COUNTER");
  ASSERT_TRUE(e.loaded);
  e.m.RunBtn_Click();
  const std::vector<int> pins = e.RunAndWatchPins(8000);
  std::vector<int> expected;
  for (int v = 0; v <= 255; ++v) expected.push_back(v);
  for (int v = 254; v >= 0; --v) expected.push_back(v);
  for (int v = 1; v <= 5; ++v) expected.push_back(v);
  ASSERT_GE(pins.size(), expected.size());
  EXPECT_EQ(std::vector<int>(pins.begin(), pins.begin() + static_cast<long>(expected.size())), expected);
}

TEST(Examples, TunePlaysItsNotesInOrder) {
  Example e("TUNE");
  ASSERT_TRUE(e.loaded);
  // Stepping plays the tones too; step through one round of the tune.
  for (int i = 0; i < 12; ++i) e.m.Step_Click();
  EXPECT_EQ(Sounds(e.host), (std::vector<std::string>{
                                "tone: 261 Hz 144 ms", "tone: 333 Hz 144 ms", "tone: 386 Hz 144 ms",
                                "tone: 520 Hz 360 ms", "rest: 120 ms", "tone: 386 Hz 144 ms",
                                "tone: 520 Hz 540 ms"}));
  EXPECT_EQ(e.Pins(), 0xFE);  // the full bar after the last note (pin 0 is the speaker)
}

}  // namespace
}  // namespace qx9::test
