// The bundled examples, loaded from their object files as the panel loads them: each lists back to its
// own bytes, runs ten seconds without a message or a prompt, and does what its README promises.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/listing.h"
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

struct Example {
  const char* Name;
  void (*Behaves)(Rig&);  // from a fresh load
};

const Example kExamples[] = {
    {"BLINK",
     [](Rig& r) {  // half the LEDs, swapped every 500 ms (and two instructions): every 52 ticks
       r.m.RunBtn_Click();
       EXPECT_EQ(WatchPins(r, 157), (std::vector<int>{0, 0x55, 0xAA, 0x55, 0xAA}));  // at 2, 53, 105, 157
       TickWhileRunning(r.m, r.host, 51);
       EXPECT_EQ(Pins(r), 0xAA);
       TickWhileRunning(r.m, r.host, 1);
       EXPECT_EQ(Pins(r), 0x55);
     }},
    {"SWITCHES",
     [](Rig& r) {  // switches 0..3 copied to LEDs 4..7, whose switches are disabled
       r.m.RunBtn_Click();
       r.m.GInBtn_Click(0);
       r.m.GInBtn_Click(2);
       TickWhileRunning(r.m, r.host, 10);
       EXPECT_EQ(Pins(r), 0x55);
       for (int i = 0; i < 8; ++i) EXPECT_EQ(r.host.LastPanel()->SwitchEnabled[i], i < 4) << i;
     }},
    {"SUBROUT",
     [](Rig& r) {  // Step Over runs the whole sweep at full speed and stops after the call
       r.m.Step_Click();
       ASSERT_EQ(r.host.StateBox().rfind("Gosub ", 0), 0u) << r.host.StateBox();
       r.m.StepOver_Click();
       EXPECT_EQ(WatchPins(r, 5000), (std::vector<int>{0, 1, 2, 4, 8, 16, 32, 64, 128}));
       EXPECT_FALSE(r.host.TimerEnabled());
       EXPECT_EQ(r.Preview(), "Let Pins=B0");
     }},
    {"POTPWM",
     [](Rig& r) {  // the pot drives the PWM pin and a bar of LEDs
       r.host.SetPotText("128");
       r.m.RunBtn_Click();
       TickWhileRunning(r.m, r.host, 60);
       EXPECT_EQ(r.host.LastPWMText(), "Pin1=2.51");
       EXPECT_EQ(Pins(r), 0xE0);
       r.host.SetPotText("255");
       TickWhileRunning(r.m, r.host, 60);
       EXPECT_EQ(Pins(r), 0xFC);
     }},
    {"COUNTER",
     [](Rig& r) {  // counts up to 255 on the LEDs, then back down
       r.m.RunBtn_Click();
       std::vector<int> expected;
       for (int v = 0; v <= 255; ++v) expected.push_back(v);
       for (int v = 254; v >= 0; --v) expected.push_back(v);
       const std::vector<int> pins = WatchPins(r, 8000);
       ASSERT_GE(pins.size(), expected.size());
       EXPECT_TRUE(std::equal(expected.begin(), expected.end(), pins.begin()));
     }},
    {"TUNE",
     [](Rig& r) {  // one round of the tune, stepped (stepping plays the tones too)
       for (int i = 0; i < 12; ++i) r.m.Step_Click();
       std::vector<std::string> sounds;
       for (const Event& e : r.host.Events()) {
         if (e.Kind == EventKind::Tone || e.Kind == EventKind::Rest) sounds.push_back(e.Full);
       }
       EXPECT_EQ(sounds, (std::vector<std::string>{"tone: 261 Hz 144 ms", "tone: 333 Hz 144 ms", "tone: 386 Hz 144 ms",
                                                   "tone: 520 Hz 360 ms", "rest: 120 ms", "tone: 386 Hz 144 ms",
                                                   "tone: 520 Hz 540 ms"}));
     }},
};

void Load(Rig& r, const std::string& name) {
  ASSERT_TRUE(r.m.LoadObjectFile(std::string(QX9_EXAMPLES_DIR) + "/" + name + ".OBJ")) << name;
  r.m.StartProgram();
  r.host.ClearEvents();
}

TEST(Examples, EachListsBackRunsQuietlyAndDoesWhatItsReadmeSays) {
  for (const Example& e : kExamples) {
    SCOPED_TRACE(e.Name);
    std::ifstream file(std::string(QX9_EXAMPLES_DIR) + "/" + e.Name + ".OBJ", std::ios::binary);
    std::array<uint8_t, 256> image{};
    file.read(reinterpret_cast<char*>(image.data()), image.size());
    const asmx::AssembleResult again = asmx::Assemble(asmx::ListProgram(image));
    EXPECT_TRUE(again.Ok() && again.Image == image);

    Rig quiet;
    Load(quiet, e.Name);
    quiet.host.SetPotText("100");
    quiet.m.RunBtn_Click();
    EXPECT_EQ(TickWhileRunning(quiet.m, quiet.host, 10000), 10000);  // ten seconds on the panel
    EXPECT_EQ(quiet.host.Count(EventKind::Message) + quiet.host.Count(EventKind::Prompt), 0);

    Rig r;
    Load(r, e.Name);
    e.Behaves(r);
  }
}

}  // namespace
}  // namespace qx9::test
