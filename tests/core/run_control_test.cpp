// Step, Step Over, Run/Stop, the timer tick, and the restart paths.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

using Lines = std::vector<std::string>;
const std::string kRestart = "message: Program reached end -- Restarting";
const Lines kStopped = {"running: off", "timer: off"};

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
void Ticks(Rig& r, int n) {
  for (int i = 0; i < n; ++i) r.m.Timer1_Timer();
}

// Gosub sub / Let W1=W1+1 / End / sub: Let W0=W0+1 / Return
ProgramBuilder CallProgram() {
  return ProgramBuilder().Gosub("sub").Let(V("W1"), {{3, C(1)}}).End().Label("sub").Let(V("W0"), {{3, C(1)}}).Return();
}

TEST(RunControl, StepOverRunsTheSubroutineAndStopsAfterTheInstructionAtTheReturnPosition) {
  Rig r;
  r.Load(CallProgram());
  r.m.StepOver_Click();
  EXPECT_EQ(r.m.StepOverTarget, r.m.GosubStack[0]);
  r.host.ClearEvents();
  EXPECT_EQ(TickWhileRunning(r.m, r.host, 100), 3);  // Let W0, Return, then Let W1 at the return position
  EXPECT_EQ(r.m.StepOverTarget, int16_t{0});
  EXPECT_EQ(r.m.Ram[1], 1);
  EXPECT_EQ(r.host.StateBox(), "Let W1=W1+1");       // the stop executes it without a preview
  EXPECT_EQ(r.host.Lines(), (Lines{"timer: off"}));  // a step over's end is no Stop
}

TEST(RunControl, ReachingSavedPositionZeroWithoutAStepOverGoesOn) {
  // Goto 7 lands on (0,0), saved position 0; the End written there must run, not a step-over stop.
  Rig r;
  r.Load(ProgramBuilder().Goto(7).Byte(0, 0x01).Byte(1, 0xF0));
  r.m.RunBtn_Click();
  r.host.ClearEvents();
  Ticks(r, 1);
  EXPECT_EQ(r.m.SavePosition(), 0);
  Ticks(r, 1);
  EXPECT_EQ(r.host.Lines(), Concat({kRestart}, kStopped));
}

TEST(RunControl, TickRuleAWaitHoldsNineTicksStepIgnoresItBusyBlocksCycles) {
  const std::vector<LetStep> plus1 = {{3, C(1)}};
  ProgramBuilder b = ProgramBuilder().Pause(C(100)).Let(V("W0"), plus1).Pause(C(30)).Let(V("W0"), plus1);
  Rig r;
  r.Load(b.Let(V("W0"), plus1).Pause(C(-1)).Let(V("W0"), plus1).End());
  r.m.RunBtn_Click();
  Ticks(r, 1);  // Pause 100
  EXPECT_EQ(r.m.WaitMs, 100);
  for (int tick = 1; tick <= 9; ++tick) {
    EXPECT_FALSE(r.m.TickWillRunCycle());
    r.m.Timer1_Timer();
    EXPECT_EQ(r.m.Ram[0], 0) << tick;
  }
  EXPECT_TRUE(r.m.TickWillRunCycle());
  Ticks(r, 1);
  EXPECT_EQ(r.m.Ram[0], 1);
  Ticks(r, 1);         // Pause 30
  r.m.RunBtn_Click();  // stop during the wait
  r.m.Step_Click();    // executes at once
  EXPECT_EQ(r.m.Ram[0], 2);
  r.m.RunBtn_Click();
  r.m.Busy = true;  // a cycle under way: ticks run nothing, but the wait still counts down
  Ticks(r, 3);
  EXPECT_EQ(r.m.Ram[0], 2);
  EXPECT_EQ(r.m.WaitMs, 0);
  r.m.Busy = false;
  Ticks(r, 1);
  EXPECT_EQ(r.m.Ram[0], 3);
  Ticks(r, 2);  // Pause -1: no wait, the next tick runs
  EXPECT_EQ(r.m.Ram[0], 4);
}

TEST(RunControl, TicksDuringAPromptStartNoCycle) {
  Rig r;
  r.Load(ProgramBuilder().Pot(C(0), C(1), V("W0")).Let(V("W1"), {{3, C(1)}}).End());
  r.m.RunBtn_Click();
  r.host.QueueAnswer("7");
  r.host.OnPrompt = [&r](const std::string&) { Ticks(r, 5); };
  Ticks(r, 1);
  EXPECT_EQ(r.m.Ram[0], 7);
  EXPECT_EQ(r.m.Ram[1], 0);  // the ticks in the prompt ran nothing
}

// Every restart path, stepping and running: the messages, the stop, the reset keeping the port word.
TEST(Restarts, EveryPathReportsStopsAndLeavesTheResetToTheNextCycle) {
  using P = ProgramBuilder&;
  struct Case {
    void (*Write)(ProgramBuilder&);  // what follows Let W0=W0+1 / High 3
    int Cycles;                      // up to the restart
    Lines Messages;
  };
  const Case cases[] = {
      {[](P b) { b.End(); }, 3, {kRestart}},
      {[](P b) { b.Return(); }, 3, {"message: Return without Gosub", kRestart}},
      {[](P b) { b.Label("sub").Gosub("sub"); }, 20, {"message: Gosub stack overflow", kRestart}},
      // Input in the last five bits of the image, its operand beyond it (Pin0), then End at the end
      {[](P b) { b.Goto(2043).Data(0, 0x02); }, 5, {kRestart}},
  };
  for (const auto& [write, cycles, messages] : cases) {
    for (bool running : {false, true}) {
      ProgramBuilder b = ProgramBuilder().Let(V("W0"), {{3, C(1)}}).High(C(3));
      write(b);
      Rig r;
      r.Load(b);
      SCOPED_TRACE(r.host.StateBox() + (running ? " running" : " stepping"));
      if (running) r.m.RunBtn_Click();
      r.host.ClearEvents();
      int cycle = 0;
      for (; cycle < 30 && r.host.Count(EventKind::Message) == 0; ++cycle) {
        running ? r.m.Timer1_Timer() : r.m.Step_Click();
      }
      EXPECT_EQ(cycle, cycles);
      EXPECT_EQ(r.host.Lines(), running ? Concat(messages, kStopped) : messages);
      EXPECT_EQ(r.m.NextCycleResets(), running);
      EXPECT_EQ(r.m.GosubDepth, 0);
      EXPECT_EQ(r.m.Ram[0], 0);
      if (running) r.m.Step_Click();  // only resets and previews
      EXPECT_EQ(r.m.Ram[7], 0x0808);
      EXPECT_EQ(r.Pos(), std::make_pair(2, 4));
      EXPECT_EQ(r.host.StateBox(), "Let W0=W0+1");
      r.m.Step_Click();
      EXPECT_EQ(r.m.Ram[0], 1);
    }
  }
}

}  // namespace
}  // namespace qx9::test
