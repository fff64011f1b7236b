// A host may tell the core that its word boxes hold what the last redraw wrote, or that it shows no
// panel at all (Host::WordBoxes), and the core then skips reading the boxes back. These tests run the
// same random programs and the same presses, clicks and typing on hosts that say each, in lockstep,
// and require the machines to stay identical in every field and in everything they ask of their hosts.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/machine_invariants.h"
#include "support/random_program.h"

namespace qx9::test {
namespace {

struct Twin {
  ScriptedHost host;
  Machine m{host};
  std::mt19937 answers;

  Twin(Host::Boxes mode, uint32_t seed) : answers(seed) {
    host.Mode = mode;
    host.AnswerSource = [this]() -> std::optional<std::string> {
      if (answers() % 4 == 0) return std::nullopt;
      return TypedNumber(answers);
    };
  }
};

void ExpectSame(const Twin& a, const Twin& b, bool compareBoxes, int program, int action) {
  ASSERT_TRUE(static_cast<const MachineState&>(a.m) == static_cast<const MachineState&>(b.m))
      << "program " << program << " action " << action << ": " << a.m.InstrText << " / " << b.m.InstrText;
  ASSERT_EQ(a.m.InstructionsExecuted, b.m.InstructionsExecuted);
  ASSERT_EQ((std::array<int, 5>{a.host.Messages, a.host.Prompts, a.host.Tones, a.host.Rests, a.host.TimerEnabled()}),
            (std::array<int, 5>{b.host.Messages, b.host.Prompts, b.host.Tones, b.host.Rests, b.host.TimerEnabled()}));
  ASSERT_TRUE(!compareBoxes || a.host.BoxTexts() == b.host.BoxTexts()) << "program " << program;
}

void RunInLockstep(Host::Boxes mode, bool typing) {
  std::mt19937 rng(mode == Host::Boxes::AsShown ? 11 : 12);
  auto roll = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  for (int program = 0; program < 150; ++program) {
    const uint32_t seed = static_cast<uint32_t>(rng());
    Twin read(Host::Boxes::MayBeEdited, seed);
    Twin told(mode, seed);
    const std::array<uint8_t, 256> image = RandomProgram(rng).Build();
    for (Twin* t : {&read, &told}) {
      t->m.LoadImage(image);
      t->m.StartProgram();
    }
    for (int action = 0; action < 600; ++action) {
      const int what = roll(100);
      const int index = roll(8);
      const std::string text = TypedHex(rng);
      for (Twin* t : {&read, &told}) {
        Machine& m = t->m;
        if (t->host.TimerEnabled()) what < 3 ? m.RunBtn_Click() : m.Timer1_Timer();
        else if (what < 60) m.Step_Click();
        else if (what < 70) m.StepOver_Click();
        else if (what < 80) m.RunBtn_Click();
        else if (what < 88) m.GInBtn_Click(index);
        else if (what < 96 && typing) t->host.TypeWordBox(index, text);
        else if (what < 98) m.PreviewNext();
      }
      ExpectSame(read, told, typing, program, action);
      ASSERT_TRUE(action % 50 != 0 || read.m.PeekNext().Text == told.m.PeekNext().Text) << program;
    }
  }
}

TEST(WordBoxes, AHostWhoseBoxesHoldWhatWasShownRunsAsOneThatIsRead) { RunInLockstep(Host::Boxes::AsShown, true); }
TEST(WordBoxes, AHostWithNoPanelRunsAsOneWhoseBoxesNobodyTouches) { RunInLockstep(Host::Boxes::NoPanel, false); }

// Before the first redraw nothing has been shown: a host that says its boxes hold what was shown is
// read all the same, and one with no panel leaves the words as they are.
TEST(WordBoxes, BeforeTheFirstRedrawTheBoxesAreReadOrLeftAlone) {
  ScriptedHost shown;
  shown.Mode = Host::Boxes::AsShown;
  Machine a(shown);
  shown.TypeWordBox(3, "00AB");
  a.ReadWordBoxes();
  EXPECT_EQ(a.Ram[3], 0xAB);

  ScriptedHost none;
  none.Mode = Host::Boxes::NoPanel;
  Machine b(none);
  b.Ram[3] = 77;
  b.ReadWordBoxes();
  EXPECT_EQ(b.Ram[3], 77);
}

}  // namespace
}  // namespace qx9::test
