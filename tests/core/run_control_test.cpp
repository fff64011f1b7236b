// Step, Step Over, Run/Stop and the timer tick.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

using Lines = std::vector<std::string>;

TEST(RunControl, StepExecutesOneAndPreviewsTheNext) {
  Rig r;
  r.Load(ProgramBuilder().High(C(3)).Let(V("B0"), {{3, C(1)}}).End());
  r.m.Step_Click();
  EXPECT_EQ(r.m.Ram[7], 0x0808);
  EXPECT_EQ(r.host.Lines(true), (Lines{"panel: High 3", "state: Let B0=B0+1"}));
  EXPECT_EQ(r.host.StateBox(), "Let B0=B0+1");
  EXPECT_EQ(r.m.LinearAddress(), 19 + 12);  // opcode, flag, size code 01, four value bits
}

TEST(RunControl, RunTwiceOnlyFlipsTheTimerAndCaption) {
  Rig r;
  r.Load(ProgramBuilder().High(C(3)).End());
  r.m.StepOverArmed = true;
  r.m.RunBtn_Click();
  EXPECT_FALSE(r.m.StepOverArmed);
  r.m.RunBtn_Click();
  EXPECT_EQ(r.host.Lines(), (Lines{"caption: Stop (F5)", "timer: on", "caption: Run (F5)", "timer: off"}));
  EXPECT_EQ(r.m.Ram[7], 0);  // a click executes nothing; ticks would
}

// Gosub sub / Let W1=W1+1 / End / sub: Let W0=W0+1 / Return
ProgramBuilder CallProgram() {
  ProgramBuilder b;
  b.Gosub("sub").Let(V("W1"), {{3, C(1)}}).End();
  b.Label("sub").Let(V("W0"), {{3, C(1)}}).Return();
  return b;
}

TEST(RunControl, StepOverRunsTheSubroutineAndStopsAfterTheReturnInstruction) {
  Rig r;
  r.Load(CallProgram());
  r.m.StepOver_Click();
  EXPECT_TRUE(r.host.TimerEnabled());
  EXPECT_NE(r.m.StepOverTarget, 0);
  EXPECT_EQ(r.host.StateBox(), "Let W0=W0+1");
  r.host.ClearEvents();
  EXPECT_EQ(TickWhileRunning(r.m, r.host, 100), 3);  // Let W0, Return, then Let W1 at the return position
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.m.StepOverTarget, 0);
  EXPECT_EQ(r.m.Ram[0], 1);
  EXPECT_EQ(r.m.Ram[1], 1);  // the instruction at the return position has executed
  EXPECT_EQ(r.host.StateBox(), "Let W1=W1+1");
  EXPECT_EQ(r.host.Lines(), (Lines{"timer: off"}));  // no caption change
  EXPECT_EQ(r.host.Caption(), "Run (F5)");
}

TEST(RunControl, StepOverOnOtherInstructionsIsAStepThatStaysArmed) {
  Rig r;
  ProgramBuilder b;
  b.High(C(3)).Gosub("sub").End().Label("sub").Return();
  r.Load(b);
  r.m.StepOver_Click();
  EXPECT_EQ(r.m.Ram[7], 0x0808);
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_TRUE(r.m.StepOverArmed);
  EXPECT_EQ(r.host.StateBox(), "Gosub " + HexText(b.AddressOf("sub")));
}

TEST(RunControl, StepClearsAnArmedStepOver) {
  Rig r;
  r.Load(CallProgram());
  r.m.StepOverArmed = true;
  r.m.Step_Click();  // Gosub, as a plain step
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.m.StepOverTarget, 0);
}

TEST(RunControl, PauseHoldsNineTicksAndRunsOnTheTenth) {
  Rig r;
  r.Load(ProgramBuilder().Label("top").Pause(C(100)).Let(V("W0"), {{3, C(1)}}).Pause(C(5)).Let(V("W1"), {{3, C(1)}}).End());
  r.m.RunBtn_Click();
  r.m.Timer1_Timer();  // Pause 100
  EXPECT_EQ(r.m.WaitMs, 100);
  for (int tick = 1; tick <= 9; ++tick) {
    EXPECT_FALSE(r.m.TickWillRunCycle());
    r.m.Timer1_Timer();
    EXPECT_EQ(r.m.Ram[0], 0) << tick;
  }
  EXPECT_TRUE(r.m.TickWillRunCycle());
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.Ram[0], 1);
  r.m.Timer1_Timer();  // Pause 5
  r.m.Timer1_Timer();  // runs at once
  EXPECT_EQ(r.m.Ram[1], 1);
}

TEST(RunControl, StepIgnoresAPendingWaitAndRunFinishesIt) {
  Rig r;
  r.Load(ProgramBuilder().Pause(C(30)).Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}}).End());
  r.m.RunBtn_Click();
  r.m.Timer1_Timer();
  r.m.RunBtn_Click();  // stop during the wait
  EXPECT_EQ(r.m.WaitMs, 30);
  r.m.Step_Click();  // executes at once
  EXPECT_EQ(r.m.Ram[0], 1);
  r.m.RunBtn_Click();
  r.m.Timer1_Timer();
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.Ram[0], 1);  // the rest of the wait elapses first
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.Ram[0], 2);
}

TEST(RunControl, TicksDuringAPromptStartNoCycle) {
  Rig r;
  r.Load(ProgramBuilder().Pot(C(0), C(1), V("W0")).Let(V("W1"), {{3, C(1)}}).End());
  r.m.RunBtn_Click();
  r.host.QueueAnswer("7");
  r.host.OnPrompt = [&r](const std::string&) {
    for (int i = 0; i < 5; ++i) r.m.Timer1_Timer();
  };
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.Ram[0], 7);
  EXPECT_EQ(r.m.Ram[1], 0);  // the ticks inside the prompt ran nothing
  EXPECT_EQ(r.host.Count(EventKind::Panel), 1);
}

TEST(RunControl, BusyBlocksTicksButTheWaitStillCounts) {
  Rig r;
  r.Load(ProgramBuilder().Let(V("W0"), {{3, C(1)}}).End());
  r.m.Busy = true;
  r.m.WaitMs = 20;
  r.m.Timer1_Timer();
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.WaitMs, 0);
  EXPECT_EQ(r.m.Ram[0], 0);
  r.m.Busy = false;
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.Ram[0], 1);
}

TEST(RunControl, ReachingSavedPositionZeroWithoutAStepOverGoesOn) {
  // Goto 7 lands on (0,0), saved position 0; the End written there must run, not a step-over stop.
  Rig r;
  r.Load(ProgramBuilder().Goto(7).Byte(0, 0x01).Byte(1, 0xF0));
  r.m.RunBtn_Click();
  r.host.ClearEvents();
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.TokByte * 8 + r.m.TokBit, 0);
  r.m.Timer1_Timer();
  EXPECT_EQ(r.host.Lines(),
            (Lines{"message: Program reached end -- Restarting", "caption: Run (F5)", "timer: off"}));
}

TEST(RunControl, RunningOntoEndStopsAndTheNextStepOnlyResets) {
  Rig r;
  r.Load(ProgramBuilder().Let(V("W0"), {{3, C(1)}}).End());
  r.m.RunBtn_Click();
  EXPECT_EQ(TickWhileRunning(r.m, r.host, 10), 2);
  EXPECT_EQ(r.host.Caption(), "Run (F5)");
  EXPECT_TRUE(r.m.RestartPending);
  EXPECT_EQ(r.host.StateBox(), "Let W0=W0+1");  // End keeps the text of the last decode
  r.m.Step_Click();
  EXPECT_EQ(r.m.Ram[0], 0);  // reset and preview only
  EXPECT_EQ(r.host.StateBox(), "Let W0=W0+1");
  r.m.Step_Click();
  EXPECT_EQ(r.m.Ram[0], 1);
}

TEST(RunControl, F5DuringAStepOverLeavesTheTargetForALaterRun) {
  Rig r;
  r.Load(CallProgram());
  r.m.StepOver_Click();
  const int16_t target = r.m.StepOverTarget;
  r.m.RunBtn_Click();  // stops: caption Run, target stays
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.m.StepOverTarget, target);
  r.m.RunBtn_Click();  // run again: stops at the target with the caption left at Stop
  TickWhileRunning(r.m, r.host, 100);
  EXPECT_EQ(r.m.Ram[1], 1);
  EXPECT_EQ(r.host.Caption(), "Stop (F5)");
  EXPECT_EQ(r.m.StepOverTarget, 0);
}

}  // namespace
}  // namespace qx9::test
