// A host with no panel is not read back: the same random runs on it and on a host whose boxes are read
// must stay identical in every field and in all they ask of the host. (A host whose boxes hold what was
// shown gets the same comparison from the fuzzer.)
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
  Twin(Host::Boxes mode, uint32_t seed, const std::array<uint8_t, 256>& image) : answers(seed) {
    host.Mode = mode;
    host.AnswerSource = [this] { return answers() % 4 == 0 ? std::nullopt : std::optional(TypedNumber(answers)); };
    m.LoadImage(image);
    m.StartProgram();
  }
};

TEST(WordBoxes, AHostWithNoPanelRunsAsOneWhoseBoxesNobodyTouches) {
  std::mt19937 rng(12);
  auto roll = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  for (int program = 0; program < 150; ++program) {
    const uint32_t seed = static_cast<uint32_t>(rng());
    const std::array<uint8_t, 256> image = RandomProgram(rng).Build();
    Twin read(Host::Boxes::MayBeEdited, seed, image);
    Twin told(Host::Boxes::NoPanel, seed, image);
    for (int action = 0; action < 600; ++action) {
      const int what = roll(100), index = roll(8);
      for (Twin* t : {&read, &told}) {
        Machine& m = t->m;
        if (t->host.TimerEnabled())
          what < 3 ? m.RunBtn_Click() : m.Timer1_Timer();
        else if (what < 60)
          m.Step_Click();
        else if (what < 70)
          m.StepOver_Click();
        else if (what < 80)
          m.RunBtn_Click();
        else if (what < 88)
          m.GInBtn_Click(index);
        else if (what < 98)
          m.PreviewNext();
      }
      SCOPED_TRACE("program " + std::to_string(program) + " action " + std::to_string(action));
      // A host with no panel leaves the last instruction's text to whoever reads it.
      EXPECT_EQ(read.m.InstructionText(), told.m.InstructionText());
      ASSERT_TRUE(static_cast<const MachineState&>(read.m) == static_cast<const MachineState&>(told.m))
          << read.m.InstrText;
      ASSERT_EQ(read.m.InstructionsExecuted, told.m.InstructionsExecuted);
      ASSERT_EQ(read.host.Messages, told.host.Messages);
      ASSERT_EQ(read.host.Prompts, told.host.Prompts);
      ASSERT_EQ(read.host.Tones, told.host.Tones);
      ASSERT_EQ(read.host.Rests, told.host.Rests);
      ASSERT_EQ(read.host.TimerEnabled(), told.host.TimerEnabled());
      ASSERT_TRUE(action % 50 != 0 || read.m.PeekNext().Text == told.m.PeekNext().Text);
    }
  }
}

}  // namespace
}  // namespace qx9::test
