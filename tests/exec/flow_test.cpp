// Gosub, Return, For, Next.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

using Lines = std::vector<std::string>;

// Steps until the next instruction is End, at most maxSteps; returns the steps taken.
int StepUntilEnd(Rig& r, int maxSteps) {
  int steps = 0;
  while (steps < maxSteps && r.host.StateBox() != "End") {
    r.m.Step_Click();
    ++steps;
  }
  return steps;
}

TEST(Gosub, SavesTheNextBytesFirstBitWhenTheCallEndsOnAByteBoundary) {
  // High 1 (9 bits) puts the Gosub at 28..47, so it ends with byte 5 used up: (5,-1).
  Rig r;
  ProgramBuilder b;
  b.High(C(1)).Gosub("sub").Label("back").End().Label("sub").Return();
  r.Load(b);
  ASSERT_EQ(b.AddressOf("back"), 48);
  r.Exec();
  EXPECT_EQ(r.Exec(), "Gosub " + HexText(b.AddressOf("sub")));
  EXPECT_EQ(r.m.GosubDepth, 1);
  EXPECT_EQ(r.m.GosubStack[0], 8 * 6 + 7);
  EXPECT_EQ(r.m.LinearAddress(), b.AddressOf("sub"));
  EXPECT_EQ(r.Exec(), "Return");
  EXPECT_EQ(r.Pos(), std::make_pair(6, 7));
  EXPECT_EQ(r.m.GosubDepth, 0);
  EXPECT_EQ(r.Preview(), "End");
}

TEST(Gosub, CallAndReturnEachClearW6) {
  Rig r;
  r.Load(ProgramBuilder().Gosub("sub").End().Label("sub").Return());
  r.SetWord(6, 0x1234);
  r.SetWord(5, 0x5678);
  r.Exec();
  EXPECT_EQ(r.m.Ram[6], 0);
  r.SetWord(6, 0xABCD);
  r.Exec();
  EXPECT_EQ(r.m.Ram[6], 0);
  EXPECT_EQ(r.Word(5), 0x5678);
}

TEST(Gosub, OnlyAnArmedStepOverRecordsTheStopAndStartsTheTimer) {
  for (bool armed : {false, true}) {
    Rig r;
    r.Load(ProgramBuilder().Gosub("sub").End().Label("sub").Return());
    r.m.StepOverArmed = armed;
    r.Exec();
    EXPECT_EQ(r.m.StepOverTarget, armed ? r.m.GosubStack[0] : 0);
    EXPECT_NE(r.m.GosubStack[0], 0);
    EXPECT_FALSE(r.m.StepOverArmed);
    EXPECT_EQ(r.host.TimerEnabled(), armed);
  }
}

TEST(Gosub, TheEighteenthNestedCallOverflowsAndRestarts) {
  Rig r;
  r.Load(ProgramBuilder().Label("sub").Gosub("sub"));
  for (int i = 0; i < 17; ++i) r.Exec();
  EXPECT_EQ(r.m.GosubDepth, 17);
  EXPECT_EQ(r.host.Count(EventKind::Message), 0);
  r.m.RunBtn_Click();
  r.host.ClearEvents();
  r.Exec();
  EXPECT_EQ(r.host.Lines(), (Lines{"message: Gosub stack overflow", "message: Program reached end -- Restarting",
                                   "caption: Run (F5)", "timer: off"}));
  EXPECT_TRUE(r.m.RestartPending);
  EXPECT_EQ(r.m.GosubDepth, 0);
}

TEST(Gosub, ReturnWithoutGosubRestarts) {
  Rig r;
  r.Load(ProgramBuilder().Let(V("W0"), {{3, C(1)}}).Return());
  r.m.Step_Click();
  r.m.Step_Click();
  EXPECT_EQ(r.host.Texts(EventKind::Message),
            (Lines{"Return without Gosub", "Program reached end -- Restarting"}));
  EXPECT_EQ(r.m.GosubDepth, 0);
  EXPECT_EQ(r.m.Ram[0], 0);
  EXPECT_EQ(r.host.StateBox(), "Let W0=W0+1");
}

TEST(For, StoresTheStartCutToTheVariable) {
  Rig r;
  r.Load(ProgramBuilder().For(C(300), V("B2")).End());
  r.SetWord(1, 0x1100);
  EXPECT_EQ(r.Exec(), "For B2=300");
  EXPECT_EQ(r.Word(1), 0x112C);
}

// For B0 = first / body: W1 = W1 + B0 / Next B0 counting up to A or down to B / End
ProgramBuilder Loop(int first, bool up, int limitA, int limitB) {
  ProgramBuilder b;
  b.For(C(first), V("B0"))
      .Label("body")
      .Let(V("W1"), {{3, V("B0")}})
      .Next(C(1), V("B0"), up, C(limitA), C(limitB), "body")
      .End();
  return b;
}

TEST(Next, LoopsRunTheBodyForEveryValueUpToTheLimit) {
  struct Case {
    int first;
    bool up;
    int limitA, limitB;
    int sum, last;
  };
  const Case cases[] = {
      {1, true, 3, 9, 6, 4},   // 1, 2, 3; only A counts going up
      {3, false, 9, 1, 6, 0},  // 3, 2, 1; only B counts going down
      {5, true, 3, 0, 5, 6},   // at or past the limit: one pass, the step still taken
  };
  for (const Case& c : cases) {
    Rig r;
    r.Load(Loop(c.first, c.up, c.limitA, c.limitB));
    EXPECT_LT(StepUntilEnd(r, 50), 50);
    EXPECT_EQ(r.m.Ram[1], c.sum) << c.first;
    EXPECT_EQ(r.m.Ram[0], c.last) << c.first;
  }
}

TEST(Next, ValuesAndLimitsAreSignedAndOverflowKeepsTheValue) {
  struct Case {
    const char* what;
    int32_t value;
    Operand step;
    bool up;
    Operand limit;
    bool jumps;
    uint16_t after;
  };
  const Case cases[] = {
      {"overflow up", 32000, C(1000), true, C(32500), true, 32000},
      {"overflow down", -32000, C(1000), false, C(-32500), true, static_cast<uint16_t>(-32000)},
      {"negative limit", 0, C(1), true, C(40000), false, 1},  // 40000 reads as -25536
      {"negative value", -1, C(1), true, C(0), true, 0},
      {"step from a variable", 10, V("B4"), false, C(0), true, 7},
  };
  for (const Case& c : cases) {
    Rig r;
    r.Load(ProgramBuilder().Next(c.step, V("W0"), c.up, c.limit, c.limit, 0x1A).End());
    r.SetWord(0, c.value);
    r.SetWord(2, 3);  // B4
    EXPECT_EQ(r.Exec(), "Next W0");
    EXPECT_EQ(r.Word(0), c.after) << c.what;
    EXPECT_EQ(r.m.LinearAddress() == 0x1A, c.jumps) << c.what;
  }
}

TEST(Next, AByteVariableWrapsToItsWidth) {
  Rig r;
  r.Load(ProgramBuilder().Next(C(1), V("B0"), true, C(300), C(0), 0x1A).End());
  r.SetWord(0, 0x12FF);
  r.Exec();
  EXPECT_EQ(r.Word(0), 0x1200);
  EXPECT_EQ(r.m.LinearAddress(), 0x1A);  // 255 < 300
}

}  // namespace
}  // namespace qx9::test
