// The history: any point restored exactly (inputs between and during instructions included), the future
// cut when the run goes on from the past, the kept window, reverse runs and who wrote what.
#include "core/history.h"

#include <gtest/gtest.h>

#include <random>

#include "support/random_program.h"
#include "support/rig.h"

namespace qx9::test {
namespace {

// The state as a point of the run: the texts of the last decode and the cycle's busy flag are not.
MachineState AsPoint(const MachineState& s) {
  MachineState p = s;
  p.InstrText.clear();
  p.OperandText.clear();
  p.Busy = false;
  // What the panel last showed and which text is still to be built follow from the redraw a restored
  // point gets, not from the run.
  p.ShownWords = {};
  p.ShownValid = false;
  p.TextPendingAt = -1;
  p.TextPendingJumped = false;
  return p;
}

// Keeps the state after every executed instruction, indexed by its number, with the clock as it stands
// once the press or tick is over: a press counts its millisecond after the instruction.
class Tape final : public MachineListener {
 public:
  void BeforeInstruction(const Machine& m) override { pressed_ = !m.host().TimerEnabled(); }
  void AfterInstruction(const Machine& m) override {
    states.resize(m.InstructionsExecuted + 1);
    states[m.InstructionsExecuted] = AsPoint(m);
    if (pressed_) states[m.InstructionsExecuted].SimTimeUs += 1000;
  }
  std::vector<MachineState> states;

 private:
  bool pressed_ = false;
};

// A run that mixes everything a user does: presses, free runs with ticks, switch clicks, typed words,
// Pot and Pulse box texts and prompt answers.
void Drive(Rig& r, std::mt19937& rng, int actions) {
  for (int a = 0; a < actions; ++a) {
    const unsigned action = rng() % 10;
    if (action == 0) {
      r.m.GInBtn_Click(static_cast<int>(rng() % 8));
    } else if (action == 1) {
      r.host.TypeWordBox(static_cast<int>(rng() % 8), TypedHex(rng));
    } else if (action == 2) {
      r.host.SetPotText(TypedNumber(rng));
    } else if (action == 3) {
      r.host.SetPulsInText(TypedNumber(rng));
    } else if (action == 4) {
      r.host.QueueAnswer(TypedNumber(rng));
    } else if (action == 5) {
      r.m.RunBtn_Click();
      TickWhileRunning(r.m, r.host, static_cast<int>(rng() % 300));
      if (r.host.TimerEnabled()) r.m.RunBtn_Click();
    } else if (action == 6) {
      r.m.StepOver_Click();
      TickWhileRunning(r.m, r.host, 200);
    } else {
      r.m.Step_Click();
    }
  }
}

TEST(History, EveryPointOfRandomRunsIsRestoredExactlyBackAndForth) {
  std::mt19937 rng(12);
  for (int program = 0; program < 40; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    Rig r;
    r.Load(RandomProgram(rng).Build());
    History history(7);
    history.Attach(r.m);
    Tape tape;
    r.m.AddListener(tape);
    Drive(r, rng, 120);
    r.m.RemoveListener(tape);
    const uint64_t last = history.LastPoint();
    for (int probe = 0; probe < 30 && last > 0; ++probe) {
      const uint64_t k = 1 + rng() % last;
      EXPECT_EQ(history.GoTo(k), k);
      EXPECT_EQ(AsPoint(r.m), tape.states[k]) << "point " << k;
    }
    EXPECT_EQ(history.GoTo(last), last);
    EXPECT_EQ(AsPoint(r.m), tape.states[last]);
    history.Detach();
  }
}

TEST(History, GoingBackAndRunningOnWithTheSameInputsGivesTheSameRun) {
  std::mt19937 rng(5);
  for (int program = 0; program < 20; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    const auto image = RandomProgram(rng).Build();
    Rig r;
    r.Load(image);
    History history(5);
    history.Attach(r.m);
    Tape tape;
    r.m.AddListener(tape);
    for (int i = 0; i < 60; ++i) r.m.Step_Click();
    const std::vector<MachineState> first = tape.states;
    const uint64_t last = history.LastPoint();
    history.GoTo(last / 2);
    while (r.m.InstructionsExecuted < last) r.m.Step_Click();
    EXPECT_EQ(history.LastPoint(), last);
    for (uint64_t k = last / 2 + 1; k <= last; ++k) EXPECT_EQ(tape.states[k], first[k]) << "point " << k;
    history.Detach();
    r.m.RemoveListener(tape);
  }
}

// Cutting the future off in the middle of a stretch and recording on from there must leave a history
// that restores the new run as exactly as the old one.
TEST(History, ARunContinuedFromThePastIsRecordedAsExactly) {
  std::mt19937 rng(31);
  for (int program = 0; program < 20; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    Rig r;
    r.Load(RandomProgram(rng).Build());
    History history(64);
    history.Attach(r.m);
    Tape tape;
    r.m.AddListener(tape);
    Drive(r, rng, 80);
    history.GoTo(history.LastPoint() / 2);
    Drive(r, rng, 80);
    r.m.RemoveListener(tape);
    const uint64_t last = history.LastPoint();
    ASSERT_EQ(tape.states.size(), last + 1);
    for (uint64_t k = last / 2; k <= last; ++k) {
      EXPECT_EQ(history.GoTo(k), k);
      EXPECT_EQ(AsPoint(r.m), tape.states[k]) << "point " << k;
    }
    history.Detach();
  }
}

// The time between instructions is written only when it changes; after the future is cut off, the
// next change is measured against what the kept records say, not against the discarded ones.
TEST(History, TheTimeBetweenInstructionsIsMeasuredAgainstTheKeptRecords) {
  Rig r;
  r.Load(ProgramBuilder().Label("top").Toggle(C(0)).Pause(C(30)).Goto("top"));
  History history;
  history.Attach(r.m);
  Tape tape;
  r.m.AddListener(tape);
  const auto runUntil = [&r](uint64_t executed) {
    r.m.RunBtn_Click();
    while (r.m.InstructionsExecuted < executed) r.m.Timer1_Timer();
    r.m.RunBtn_Click();
  };
  r.m.Step_Click();
  runUntil(6);  // the last instruction waited 30 ms for its Pause
  history.GoTo(1);
  runUntil(4);  // so did the third of this run
  r.m.RemoveListener(tape);
  for (const uint64_t k : {2u, 3u, 4u}) {
    EXPECT_EQ(history.GoTo(k), k);
    EXPECT_EQ(AsPoint(r.m), tape.states[k]) << "point " << k;
  }
  history.Detach();
}

// Let W1=W1+1 three times, then End.
ProgramBuilder Counter() {
  return ProgramBuilder().Let(V("W1"), {{3, C(1)}}).Let(V("W1"), {{3, C(1)}}).Let(V("W1"), {{3, C(1)}}).End();
}

TEST(History, InputsBetweenAndDuringInstructionsArePartOfTheHistory) {
  struct Case {
    const char* Name;
    ProgramBuilder Program;
    std::function<void(Rig&)> Between;  // after the first step
    int Word;
    uint16_t After;  // the word at point 2
  };
  const std::vector<Case> cases = {
      {"switch click", ProgramBuilder().Input(C(2)).Let(V("W1"), {{3, V("Pins")}}).End(),
       [](Rig& r) { r.m.GInBtn_Click(2); }, 1, 4},
      {"typed word", Counter(), [](Rig& r) { r.host.TypeWordBox(1, "0100"); }, 1, 0x101},
      {"prompt answer", ProgramBuilder().High(C(1)).Pot(C(0), C(1), V("W2")).End(),
       [](Rig& r) { r.host.QueueAnswer("77"); }, 2, 77},
      {"pot box", ProgramBuilder().High(C(1)).Pot(C(0), C(1), V("W2")).End(), [](Rig& r) { r.host.SetPotText("-5"); },
       2, 0xFFFB},
      {"pulse box", ProgramBuilder().High(C(1)).PulsIn(C(0), C(1), V("W3")).End(),
       [](Rig& r) { r.host.SetPulsInText("300"); }, 3, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig r;
    r.Load(c.Program);
    History history;
    history.Attach(r.m);
    r.m.Step_Click();
    c.Between(r);
    r.m.Step_Click();
    r.host.SetPotText("");
    r.host.SetPulsInText("");
    r.host.TypeWordBox(c.Word, "1234");  // the outside world has moved on since
    r.m.Step_Click();
    history.GoTo(2);
    EXPECT_EQ(r.Word(c.Word), c.After);
    history.GoTo(1);
    history.GoTo(2);
    EXPECT_EQ(r.Word(c.Word), c.After);
    EXPECT_EQ(r.host.WordBox(c.Word), WordBoxText(c.After));
    history.Detach();
  }
}

TEST(History, RunningOnFromThePastDiscardsTheFuture) {
  Rig r;
  r.Load(Counter());
  History history(2);
  history.Attach(r.m);
  for (int i = 0; i < 3; ++i) r.m.Step_Click();
  EXPECT_EQ(history.LastPoint(), 3u);
  EXPECT_EQ(history.StepBack(), 2u);
  EXPECT_EQ(history.StepBack(), 1u);
  EXPECT_EQ(r.Word(1), 1);
  EXPECT_EQ(r.m.InstrText, "Let W1=W1+1");
  r.host.TypeWordBox(1, "0010");
  r.m.Step_Click();
  EXPECT_EQ(history.LastPoint(), 2u);
  EXPECT_EQ(r.Word(1), 0x11);
  history.GoTo(1);
  EXPECT_EQ(r.Word(1), 1);
  history.GoTo(2);
  EXPECT_EQ(r.Word(1), 0x11);
  history.Detach();
}

TEST(History, StepBackStopsAtTheStartOfHistory) {
  Rig r;
  r.Load(Counter());
  History history;
  history.Attach(r.m);
  r.m.Step_Click();
  EXPECT_EQ(history.StepBack(), 0u);
  EXPECT_EQ(history.StepBack(), 0u);
  EXPECT_EQ(r.Word(1), 0);
  EXPECT_EQ(history.GoTo(99), 1u);
  EXPECT_EQ(r.Word(1), 1);
  history.Detach();
}

// A listener that tries to go back in the middle of a cycle.
class EagerRewinder final : public MachineListener {
 public:
  explicit EagerRewinder(History& history) : history_(history) {}
  void AfterInstruction(const Machine&) override { reached = history_.GoTo(0); }
  uint64_t reached = 99;

 private:
  History& history_;
};

TEST(History, GoingBackInTheMiddleOfACycleIsRefused) {
  Rig r;
  r.Load(Counter());
  History history;
  history.Attach(r.m);
  r.m.Step_Click();
  EagerRewinder rewinder(history);
  r.m.AddListener(rewinder);
  r.m.Step_Click();
  r.m.RemoveListener(rewinder);
  EXPECT_EQ(rewinder.reached, 2u);
  EXPECT_EQ(r.Word(1), 2);
  EXPECT_EQ(history.LastPoint(), 2u);
  history.Detach();
}

// Long runs whose points differ little must be kept in a few bytes each, not a snapshot each, or a long
// run would fill the memory: countdown ticks of a wait, a box text read over and over (kept once while
// it stays the same), restarts at every other instruction.
TEST(History, RepetitiveRunsAreKeptCompactlyAndRestoredExactly) {
  struct Case {
    const char* Name;
    ProgramBuilder Program;
    std::function<void(Rig&)> Drive;  // to 3000 instructions
    std::vector<uint64_t> Points;
  };
  const std::vector<Case> cases = {
      {"waits counted down",
       ProgramBuilder().Label("top").Toggle(C(0)).Pause(C(300)).Goto("top"),
       [](Rig& r) {
         r.m.RunBtn_Click();
         while (r.m.InstructionsExecuted < 3000) r.m.Timer1_Timer();
         r.m.RunBtn_Click();
       },
       {1502, 1503}},  // a Pause, then the Goto after it once the wait was over
      {"box text read over and over",
       ProgramBuilder().Label("top").Pot(C(0), C(1), V("W2")).Goto("top"),
       [](Rig& r) {
         r.host.SetPotText("250");
         while (r.m.InstructionsExecuted < 1500) r.m.Step_Click();
         r.host.SetPotText("7");
         while (r.m.InstructionsExecuted < 3000) r.m.Step_Click();
       },
       {1, 1499, 1501, 2047, 2049, 2999}},
      {"restarts",
       ProgramBuilder().Let(V("W2"), {{3, C(5)}}).End(),
       [](Rig& r) {
         while (r.m.InstructionsExecuted < 3000) r.m.Step_Click();
       },
       {1501, 1502, 3000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig r;
    r.Load(c.Program);
    History history(1024);
    history.Attach(r.m);
    Tape tape;
    r.m.AddListener(tape);
    c.Drive(r);
    r.m.RemoveListener(tape);
    EXPECT_LT(history.MemoryBytes(), 16'000u);
    for (const uint64_t k : c.Points) {
      EXPECT_EQ(history.GoTo(k), k);
      EXPECT_EQ(AsPoint(r.m), tape.states[k]) << "point " << k;
    }
    history.Detach();
  }
}

// The LastPWM text is the last executed PWM's, across stretch starts, and is restored with a point.
TEST(History, TheLastPwmTextFollowsTheRunAndEveryRestoredPoint) {
  Rig r;
  r.Load(ProgramBuilder()
             .Label("top")
             .Pwm(C(1), C(0), C(1))
             .Pwm(C(2), C(255), C(1))
             .Let(V("W0"), {{3, C(1)}})
             .Goto("top"));
  History history(4);
  history.Attach(r.m);
  // Point k is after instruction k: the first PWM executes at 1, 5, 9, the second at 2, 6, 10.
  const auto expected = [](uint64_t k) { return k % 4 == 1 ? PwmText(1, 0) : PwmText(2, 255); };
  for (uint64_t k = 1; k <= 12; ++k) {
    r.m.Step_Click();
    EXPECT_EQ(history.LastPwm(), expected(k)) << "step " << k;
  }
  for (const uint64_t k : {1u, 2u, 5u, 6u, 9u, 3u, 12u}) {
    EXPECT_EQ(history.GoTo(k), k);
    EXPECT_EQ(history.LastPwm(), expected(k)) << "point " << k;
  }
  history.Detach();
}

TEST(History, TheKeptWindowDropsTheOldestStretches) {
  Rig r;
  r.Load(ProgramBuilder().Label("top").Let(V("W0"), {{3, C(1)}}).Goto("top"));
  History history(4, 10);
  history.Attach(r.m);
  for (int i = 0; i < 100; ++i) r.m.Step_Click();
  EXPECT_EQ(history.LastPoint(), 100u);
  EXPECT_GE(history.Size(), 10u);
  EXPECT_LT(history.Size(), 10u + 2 * 4);
  EXPECT_EQ(history.GoTo(0), history.FirstPoint());
  EXPECT_EQ(r.Word(0), (history.FirstPoint() + 1) / 2);
  history.Detach();
}

TEST(History, RunBackStopsAtTheLatestPointWhereThePredicateHolds) {
  Rig r;
  r.Load(ProgramBuilder().Label("top").Let(V("W0"), {{3, C(1)}}).Goto("top"));
  History history(3);
  history.Attach(r.m);
  for (int i = 0; i < 40; ++i) r.m.Step_Click();
  const auto w0Is = [](int v) { return [v](const MachineState& s) { return s.Ram[0] == v; }; };
  EXPECT_EQ(history.RunBackTo(w0Is(7)), 14u);
  EXPECT_EQ(r.Word(0), 7);
  EXPECT_EQ(history.RunBackTo(w0Is(7)), 13u);
  EXPECT_EQ(history.RunBackTo(w0Is(7)), 0u);
  EXPECT_EQ(r.Word(0), 0);
  history.Detach();
}

TEST(History, WhoWroteFindsTheLastInstructionThatChangedEachKindOfTarget) {
  // 1: High 3; 2: Let B3=9; 3: Let W0=W0|2; 4: Output 5; 5: Write 55,W1 (image entry 200); 6: Let W4=0;
  // 7: Let W6=1
  Rig r;
  r.Load(ProgramBuilder()
             .High(C(3))
             .Let(V("B3"), {{1, C(9)}})
             .Let(V("W0"), {{11, C(2)}})
             .Output(C(5))
             .Write(C(55), V("W1"))
             .Let(V("W4"), {{1, C(0)}})
             .Let(V("W6"), {{1, C(1)}})
             .End());
  History history(2);  // the search crosses stretches
  history.Attach(r.m);
  std::vector<int> addresses;
  for (int i = 0; i < 7; ++i) {
    addresses.push_back(r.m.LinearAddress());
    r.m.Step_Click();
  }
  struct Case {
    const char* Name;
    std::optional<uint64_t> Instruction;
  };
  const std::vector<Case> cases = {
      {"Pin3", 1},
      {"Dir3", 1},
      {"Pins", 1},
      {"Port", 4},
      {"Dirs", 4},
      {"Dir5", 4},
      {"Pin5", std::nullopt},
      {"W1", 2},
      {"B3", 2},
      {"B2", std::nullopt},
      {"W0", 3},
      {"Bit1", 3},
      {"bit0", std::nullopt},
      {"eeprom[200]", 5},
      {"EEPROM[201]", std::nullopt},
      {"W4", std::nullopt},
      {"W6", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::optional<HistoryTarget> target = ParseHistoryTarget(c.Name);
    ASSERT_TRUE(target);
    const std::optional<History::Write> write = history.WhoWrote(*target);
    ASSERT_EQ(write.has_value(), c.Instruction.has_value());
    if (!write) continue;
    EXPECT_EQ(write->Instruction, *c.Instruction);
    EXPECT_EQ(write->Address, addresses[*c.Instruction - 1]);
  }
  history.GoTo(2);
  EXPECT_FALSE(history.WhoWrote(*ParseHistoryTarget("W0")));
  history.Detach();
}

// With presses alone nothing changes a variable between instructions, so the last change is the last
// instruction after which the taped value differs from the one before it.
TEST(History, WhoWroteAgreesWithTheTapeOnRandomPrograms) {
  const std::vector<std::string> names = {"W0",   "W3",   "W6",          "B1",          "B12",      "Bit0",
                                          "Bit9", "Port", "Pins",        "Dirs",        "Pin0",     "Pin6",
                                          "Dir1", "Dir7", "eeprom[255]", "eeprom[250]", "eeprom[3]"};
  std::mt19937 rng(77);
  for (int program = 0; program < 20; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    Rig r;
    r.Load(RandomProgram(rng).Build());
    r.host.SetPotText("1234");
    History history(16);
    history.Attach(r.m);
    Tape tape;
    tape.states.push_back(AsPoint(r.m));
    r.m.AddListener(tape);
    for (int i = 0; i < 150; ++i) r.m.Step_Click();
    r.m.RemoveListener(tape);
    for (const std::string& name : names) {
      SCOPED_TRACE(name);
      const HistoryTarget target = *ParseHistoryTarget(name);
      const auto value = [&](const MachineState& s) {
        if (target.IsImage) return static_cast<int>(s.Eeprom[static_cast<size_t>(target.Entry)]);
        const uint32_t pattern = static_cast<uint32_t>(s.Ram[static_cast<size_t>(target.Field.Index)]) & 0xFFFFu;
        return static_cast<int>((pattern >> target.Field.Shift) & static_cast<uint32_t>(target.Field.Mask));
      };
      std::optional<uint64_t> expected;
      for (uint64_t k = 1; k < tape.states.size(); ++k) {
        if (value(tape.states[k]) != value(tape.states[k - 1])) expected = k;
      }
      const std::optional<History::Write> write = history.WhoWrote(target);
      ASSERT_EQ(write.has_value(), expected.has_value());
      if (!write) continue;
      EXPECT_EQ(write->Instruction, *expected);
    }
    history.Detach();
  }
}

TEST(History, TargetsAreVariableNamesOrImageEntries) {
  EXPECT_TRUE(ParseHistoryTarget("b13"));
  EXPECT_TRUE(ParseHistoryTarget("DIR7"));
  EXPECT_TRUE(ParseHistoryTarget("eeprom[0]"));
  EXPECT_TRUE(ParseHistoryTarget("eeprom[255]"));
  EXPECT_FALSE(ParseHistoryTarget("W7"));
  EXPECT_FALSE(ParseHistoryTarget("Pin8"));
  EXPECT_FALSE(ParseHistoryTarget("eeprom[256]"));
  EXPECT_FALSE(ParseHistoryTarget("eeprom[-1]"));
  EXPECT_FALSE(ParseHistoryTarget("eeprom[]"));
  EXPECT_FALSE(ParseHistoryTarget("eeprom[1"));
  EXPECT_FALSE(ParseHistoryTarget(""));
}

}  // namespace
}  // namespace qx9::test
