// Breakpoints, conditions and watchpoints: what they accept, and where the run control stops a run.
#include "core/breakpoints.h"

#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

struct ParseRow {
  const char* Text;
  const char* Normalised;  // empty: refused
  const char* Reason;      // a part of the refusal's reason
};

TEST(Breakpoints, ConditionsAreParsedAsAnIfWritesThem) {
  const ParseRow rows[] = {
      {"W0 > 100", "W0 > 100", ""},
      {"pin3=1", "Pin3 = 1", ""},
      {"B2<>B3", "B2 <> B3", ""},
      {"  w6 <= -32768 ", "W6 <= -32768", ""},
      {"Bit15>=1", "Bit15 >= 1", ""},
      {"port < 5", "Port < 5", ""},
      {"Dirs = +7", "Dirs = 7", ""},
      {"", "", "write a comparison"},
      {"   ", "", "write a comparison"},
      {"100 < W0", "", "left side must be a variable"},
      {"X1 = 3", "", "'X1' is not a variable"},
      {"W0 => 3", "", "('=>' is none)"},
      {"W0 ! 3", "", "comes a comparison"},
      {"W0 >", "", "comes a variable or a decimal constant"},
      {"W0 > 40000", "", "'40000' is not a decimal constant"},
      {"W0 > 0x10", "", "'0x10' is not a decimal constant"},
      {"W0 > W9", "", "'W9' is not a variable"},
      {"W0 > 1 AND W1 = 2", "", "one comparison per condition"},
  };
  for (const ParseRow& row : rows) {
    std::string error;
    const std::optional<qx9::Condition> c = ParseCondition(row.Text, error);
    if (*row.Normalised != '\0') {
      ASSERT_TRUE(c.has_value()) << row.Text << ": " << error;
      EXPECT_EQ(c->Text, row.Normalised);
    } else {
      EXPECT_FALSE(c.has_value()) << row.Text;
      EXPECT_NE(error.find(row.Reason), std::string::npos) << row.Text << ": " << error;
    }
  }
}

TEST(Breakpoints, ConditionsCompareSignedWordsLikeIf) {
  MachineState s;
  s.Ram[0] = 0xFFFF;          // W0 = -1, B0 = 255
  s.Ram[1] = 0x0102;          // B2 = 2, B3 = 1
  s.Ram[kPortWord] = 0x0008;  // Pin3 high
  // clang-format off: one comparison a line
  const std::pair<const char*, bool> rows[] = {
      {"W0 < 0", true},    {"W0 > 100", false}, {"B0 = 255", true}, {"Bit15 = 1", true}, {"Pin3 = 1", true},
      {"Pin2 = 1", false}, {"B2 <> B3", true},  {"B2 = B3", false}, {"B3 <= B2", true},  {"W1 >= 258", true},
  };
  // clang-format on
  for (const auto& [text, holds] : rows) {
    std::string error;
    const std::optional<qx9::Condition> c = ParseCondition(text, error);
    ASSERT_TRUE(c.has_value()) << text;
    EXPECT_EQ(ConditionHolds(*c, s), holds) << text;
  }
}

TEST(Breakpoints, WatchesNameAVariableOrAnImageByte) {
  const ParseRow rows[] = {
      {"W2", "W2", ""},
      {"pin5", "Pin5", ""},
      {"Image 40", "Image 40", ""},
      {"image[255]", "Image 255", ""},
      {"Image 256", "", "Image N"},
      {"Image", "", "Image N"},
      {"Q", "", "watch a variable"},
      {"", "", "watch a variable"},
      {"W2 x", "", "unexpected 'x'"},
  };
  for (const ParseRow& row : rows) {
    std::string error;
    const std::optional<Watch> w = ParseWatch(row.Text, error);
    if (*row.Normalised != '\0') {
      ASSERT_TRUE(w.has_value()) << row.Text << ": " << error;
      EXPECT_EQ(w->Text, row.Normalised);
    } else {
      EXPECT_FALSE(w.has_value()) << row.Text;
      EXPECT_NE(error.find(row.Reason), std::string::npos) << row.Text << ": " << error;
    }
  }
}

// loop: Let W0=W0+1 / mark: Let W1=W1+1 / jump: Goto loop
struct LoopRig : Rig {
  ProgramBuilder b;
  int loop = 0;
  int mark = 0;
  int jump = 0;
  Breakpoints stops;

  LoopRig() {
    loop = b.Here();
    b.Label("loop").Let(V("W0"), {{3, C(1)}});
    mark = b.Here();
    b.Let(V("W1"), {{3, C(1)}});
    jump = b.Here();
    b.Goto("loop");
    Load(b);
    stops.Attach(m);
  }
  void Run(int maxTicks = 100) {
    m.RunBtn_Click();
    TickWhileRunning(m, host, maxTicks);
  }
};

TEST(Breakpoints, FreeRunStopsBeforeTheBreakpointsInstruction) {
  LoopRig r;
  r.stops.Set(r.mark, true);
  r.Run();
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.m.LinearAddress(), r.mark);
  EXPECT_EQ(r.Word(0), 1);
  EXPECT_EQ(r.Word(1), 0);
  EXPECT_EQ(r.stops.Reason(), AddressText(r.mark).insert(0, "breakpoint "));
}

TEST(Breakpoints, ARunThatStartsOnABreakpointLeavesIt) {
  LoopRig r;
  r.stops.Set(r.loop, true);
  r.Run();
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.m.LinearAddress(), r.loop);
  EXPECT_EQ(r.Word(0), 1);
  EXPECT_EQ(r.Word(1), 1);
  r.Run();  // and again from there: one more pass
  EXPECT_EQ(r.Word(0), 2);
}

TEST(Breakpoints, AConditionStopsOnceItHolds) {
  LoopRig r;
  std::string error;
  ASSERT_TRUE(r.stops.AddCondition("W0 > 2", error));
  r.Run();
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.Word(0), 3);
  EXPECT_EQ(r.m.LinearAddress(), r.mark);
  EXPECT_EQ(r.stops.Reason(), "W0 > 2");
}

TEST(Breakpoints, AWatchStopsRightAfterTheChange) {
  LoopRig r;
  std::string error;
  ASSERT_TRUE(r.stops.AddWatch("W1", r.m, error));
  r.Run();
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.Word(1), 1);
  EXPECT_EQ(r.m.LinearAddress(), r.jump);
  EXPECT_EQ(r.stops.Reason(), "W1 changed: 0 -> 1");
}

TEST(Breakpoints, AChangeMadeByAStepBeforeTheRunStopsNothing) {
  LoopRig r;
  std::string error;
  ASSERT_TRUE(r.stops.AddWatch("W0", r.m, error));
  r.m.Step_Click();  // W0 changes outside any run
  r.Run();
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.Word(0), 2);  // the stop comes from the run's own change
  EXPECT_EQ(r.m.LinearAddress(), r.mark);
}

TEST(Breakpoints, ATypedWordMovesTheWatchBaselineWithoutStopping) {
  LoopRig r;
  std::string error;
  ASSERT_TRUE(r.stops.AddWatch("W2", r.m, error));
  r.host.TypeWordBox(2, "0007");
  r.Run(30);
  EXPECT_TRUE(r.host.TimerEnabled());
  EXPECT_EQ(r.Word(2), 7);
}

TEST(Breakpoints, RunToIsOneShot) {
  LoopRig r;
  r.stops.SetRunTo(r.jump);
  r.Run();
  EXPECT_FALSE(r.host.TimerEnabled());
  EXPECT_EQ(r.m.LinearAddress(), r.jump);
  EXPECT_FALSE(r.stops.RunTo().has_value());
  r.Run(30);
  EXPECT_TRUE(r.host.TimerEnabled());
}

TEST(Breakpoints, DetachedBreakpointsStopNothing) {
  LoopRig r;
  r.stops.Set(r.mark, true);
  r.stops.Detach();
  r.Run(30);
  EXPECT_TRUE(r.host.TimerEnabled());
}

TEST(Breakpoints, StepOverStopsInsideTheCalledSubroutine) {
  Rig r;
  ProgramBuilder b;
  b.Gosub("sub").High(C(1)).End().Label("sub").Let(V("W0"), {{3, C(1)}});
  const int ret = b.Here();
  b.Return();
  r.Load(b);
  Breakpoints stops;
  stops.Attach(r.m);
  stops.Set(ret, true);
  r.m.StepOver_Click();
  ASSERT_TRUE(r.host.TimerEnabled());
  TickWhileRunning(r.m, r.host, 100);
  EXPECT_EQ(r.m.LinearAddress(), ret);
  EXPECT_EQ(r.Word(0), 1);
  EXPECT_EQ(r.m.StepOverTarget, 0);
  EXPECT_EQ(r.m.GosubDepth, 1);
}

TEST(Breakpoints, ABreakIsToldToTheListeners) {
  struct BreakCounter : MachineListener {
    int Breaks = 0;
    void OnBreak(const Machine&) override { ++Breaks; }
  };
  LoopRig r;
  BreakCounter counter;
  r.m.AddListener(counter);
  r.stops.Set(r.jump, true);
  r.Run();
  r.m.RemoveListener(counter);
  EXPECT_EQ(counter.Breaks, 1);
}

}  // namespace
}  // namespace qx9::test
