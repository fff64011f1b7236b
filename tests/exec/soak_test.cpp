// Soak: thousands of random programs driven by random presses, runs, clicks and typing through every
// path of the host, with the machine's invariants checked after every action.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/machine_invariants.h"
#include "support/random_program.h"

namespace qx9::test {
namespace {

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
constexpr uint64_t kPerProgram = 400;  // sanitized builds run an instruction many times slower
#else
constexpr uint64_t kPerProgram = 2000;
#endif
constexpr int kPrograms = 2000;

TEST(Soak, RandomProgramsKeepEveryInvariant) {
  std::mt19937 rng(20261206);
  auto roll = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  uint64_t executed = 0;
  int messages = 0, prompts = 0, sounds = 0, restarts = 0;
  for (int program = 0; program < kPrograms; ++program) {
    ScriptedHost host;
    Machine m(host);
    host.TickTarget = &m;
    host.Mode = static_cast<Host::Boxes>(roll(3));
    host.ModalTicks = roll(3);
    host.SetPotText(roll(2) ? "" : TypedNumber(rng));
    host.SetPulsInText(roll(2) ? "" : TypedNumber(rng));
    host.AnswerSource = [&] { return roll(4) == 0 ? std::nullopt : std::optional<std::string>(TypedNumber(rng)); };
    InvariantChecker checker(m, host);
    m.LoadImage(RandomProgram(rng).Build());
    std::string broken = checker.Start();
    for (int actions = 0; broken.empty() && m.InstructionsExecuted < kPerProgram && actions < 20000; ++actions) {
      checker.CheckPreviews = roll(4) == 0;  // a sample meets every instruction many times
      const int what = roll(100), index = roll(8);
      const std::string text = TypedHex(rng);
      if (host.TimerEnabled() && m.IdleTicksAhead() > 0 && roll(2) == 0) m.SkipIdleTicks(m.IdleTicksAhead());
      broken = checker.Act([&] {
        if (host.TimerEnabled())
          what < 3 ? m.RunBtn_Click() : m.Timer1_Timer();
        else if (what < 70)
          m.Step_Click();
        else if (what < 80)
          m.StepOver_Click();
        else if (what < 90)
          m.RunBtn_Click();
        else if (what < 94)
          m.GInBtn_Click(index);
        else if (what < 97 && host.Mode != Host::Boxes::NoPanel)
          host.TypeWordBox(index, text);
        else
          host.SetPotText(TypedNumber(rng));
      });
    }
    ASSERT_EQ(broken, "") << "program " << program;
    executed += m.InstructionsExecuted;
    messages += host.Messages;
    prompts += host.Prompts;
    sounds += host.Tones + host.Rests;
    restarts += static_cast<int>(m.RestartsRun);
  }
  // The programs really went through the host's paths, not only through arithmetic.
  EXPECT_GT(executed, uint64_t{kPrograms} * kPerProgram / 2);
  EXPECT_GT(messages, kPrograms);
  EXPECT_GT(restarts, kPrograms);
  EXPECT_GT(prompts, kPrograms / 10);
  EXPECT_GT(sounds, kPrograms / 10);
}

}  // namespace
}  // namespace qx9::test
