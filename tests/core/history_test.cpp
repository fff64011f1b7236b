// The history: every point restored exactly, the future cut on running on, the window, who wrote what.
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
  p.ShownWords = {};
  p.ShownValid = false;
  p.TextPendingAt = -1;
  p.TextPendingJumped = false;
  return p;
}

// The state after every instruction (clock as of the press's or tick's end) and where each started.
struct Tape final : MachineListener {
  void BeforeInstruction(const Machine& m) override {
    pressed = !m.host().TimerEnabled();
    addresses.resize(m.InstructionsExecuted + 2);
    addresses[m.InstructionsExecuted + 1] = m.LinearAddress();
  }
  void AfterInstruction(const Machine& m) override {
    states.resize(m.InstructionsExecuted + 1);
    states[m.InstructionsExecuted] = AsPoint(m);
    if (pressed) states[m.InstructionsExecuted].SimTimeUs += 1000;
  }
  std::vector<MachineState> states;
  std::vector<int> addresses;
  bool pressed = false;
};

// Presses, free runs, switch clicks, typed words, box texts and prompt answers, at random.
void Drive(Rig& r, std::mt19937& rng, int actions) {
  for (int a = 0; a < actions; ++a) {
    switch (rng() % 10) {
      case 0: r.m.GInBtn_Click(static_cast<int>(rng() % 8)); break;
      case 1: r.host.TypeWordBox(static_cast<int>(rng() % 8), TypedHex(rng)); break;
      case 2: r.host.SetPotText(TypedNumber(rng)); break;
      case 3: r.host.SetPulsInText(TypedNumber(rng)); break;
      case 4: r.host.QueueAnswer(TypedNumber(rng)); break;
      case 5:
        r.m.RunBtn_Click();
        TickWhileRunning(r.m, r.host, static_cast<int>(rng() % 300));
        if (r.host.TimerEnabled()) r.m.RunBtn_Click();
        break;
      case 6:
        r.m.StepOver_Click();
        TickWhileRunning(r.m, r.host, 200);
        break;
      default: r.m.Step_Click(); break;
    }
  }
}

// A loaded rig whose history takes a snapshot every `interval` instructions, with a tape of every point.
struct Recorded : Rig {
  History history;
  Tape tape;
  explicit Recorded(const std::array<uint8_t, 256>& image, uint64_t interval = History::kDefaultInterval,
                    uint64_t window = History::kDefaultWindow)
      : history(interval, window) {
    Load(image);
    history.Attach(m);
    m.AddListener(tape);
  }
  ~Recorded() {
    m.RemoveListener(tape);
    history.Detach();
  }
  void ExpectRestored(uint64_t k) {
    EXPECT_EQ(history.GoTo(k), k);
    EXPECT_EQ(AsPoint(m), tape.states[k]) << "point " << k;
  }
};

// Also cuts the future off in the middle of a stretch and records on from there.
TEST(History, EveryPointOfRandomRunsIsRestoredExactlyAlsoAfterRunningOnFromThePast) {
  std::mt19937 rng(12);
  for (int program = 0; program < 40; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    Recorded r(RandomProgram(rng).Build(), 7);
    Drive(r, rng, 120);
    const uint64_t last = r.history.LastPoint();
    for (int probe = 0; probe < 30 && last > 0; ++probe) r.ExpectRestored(1 + rng() % last);
    r.ExpectRestored(last);
    r.history.GoTo(last / 2);
    Drive(r, rng, 80);
    const uint64_t newLast = r.history.LastPoint();
    ASSERT_EQ(r.tape.states.size(), newLast + 1);
    for (uint64_t k = last / 2; k <= newLast; ++k) r.ExpectRestored(k);
  }
}

// After the future is cut off, a change of pace is measured against the kept records, not the discarded.
TEST(History, TheTimeBetweenInstructionsIsMeasuredAgainstTheKeptRecords) {
  Recorded r(ProgramBuilder().Label("top").Toggle(C(0)).Pause(C(30)).Goto("top").Build());
  const auto runUntil = [&r](uint64_t executed) {
    r.m.RunBtn_Click();
    while (r.m.InstructionsExecuted < executed) r.m.Timer1_Timer();
    r.m.RunBtn_Click();
  };
  r.m.Step_Click();
  runUntil(6);  // the last instruction waited 30 ms for its Pause
  r.history.GoTo(1);
  runUntil(4);  // so did the third of this run
  r.ExpectRestored(3);
  r.ExpectRestored(4);
}

std::array<uint8_t, 256> Counter() {
  return ProgramBuilder().Let(V("W1"), {{3, C(1)}}).Let(V("W1"), {{3, C(1)}}).Let(V("W1"), {{3, C(1)}}).End().Build();
}

// A restored point redraws the boxes, so what was typed later never reaches the next instruction.
TEST(History, ARestoredPointShowsItsWordsInTheBoxes) {
  Recorded r(Counter());
  r.m.Step_Click();
  r.host.TypeWordBox(1, "0100");
  r.m.Step_Click();
  r.host.TypeWordBox(1, "1234");
  r.m.Step_Click();
  r.history.GoTo(1);
  r.history.GoTo(2);
  EXPECT_EQ(r.Word(1), 0x101);
  EXPECT_EQ(r.host.WordBox(1), "0101");
}

// A listener's callback runs in the middle of a cycle, which would go on with a replaced state.
TEST(History, GoingBackInTheMiddleOfACycleIsRefused) {
  struct EagerRewinder final : MachineListener {
    explicit EagerRewinder(History& h) : history(h) {}
    void AfterInstruction(const Machine&) override { reached = history.GoTo(0); }
    History& history;
    uint64_t reached = 99;
  };
  Recorded r(Counter());
  r.m.Step_Click();
  EagerRewinder rewinder(r.history);
  r.m.AddListener(rewinder);
  r.m.Step_Click();
  r.m.RemoveListener(rewinder);
  EXPECT_EQ(rewinder.reached, 2u);
  EXPECT_EQ(r.Word(1), 2);
  EXPECT_EQ(r.history.LastPoint(), 2u);
}

// Long runs whose points differ little (waits, a box read over and over, restarts) must stay small.
TEST(History, RepetitiveRunsAreKeptCompactlyAndRestoredExactly) {
  Recorded waits(ProgramBuilder().Label("top").Toggle(C(0)).Pause(C(300)).Goto("top").Build(), 1024);
  waits.m.RunBtn_Click();
  while (waits.m.InstructionsExecuted < 3000) waits.m.Timer1_Timer();
  waits.m.RunBtn_Click();
  EXPECT_LT(waits.history.MemoryBytes(), 16'000u);
  waits.ExpectRestored(1502);  // a Pause
  waits.ExpectRestored(1503);  // the Goto after it, once the wait was over
  Recorded typed(ProgramBuilder().Label("top").Pot(C(0), C(1), V("W2")).Goto("top").Build(), 1024);
  typed.host.SetPotText("250");
  while (typed.m.InstructionsExecuted < 1500) typed.m.Step_Click();
  typed.host.SetPotText("7");
  while (typed.m.InstructionsExecuted < 3000) typed.m.Step_Click();
  EXPECT_LT(typed.history.MemoryBytes(), 16'000u);
  typed.ExpectRestored(1501);
  typed.ExpectRestored(2049);
  Recorded restarts(ProgramBuilder().Let(V("W2"), {{3, C(5)}}).End().Build(), 1024);
  while (restarts.m.InstructionsExecuted < 3000) restarts.m.Step_Click();
  EXPECT_LT(restarts.history.MemoryBytes(), 16'000u);
  restarts.ExpectRestored(1502);
}

std::array<uint8_t, 256> Loop() { return ProgramBuilder().Label("top").Let(V("W0"), {{3, C(1)}}).Goto("top").Build(); }

TEST(History, TheKeptWindowDropsTheOldestStretches) {
  Recorded r(Loop(), 4, 10);
  for (int i = 0; i < 100; ++i) r.m.Step_Click();
  EXPECT_GE(r.history.Size(), 10u);
  EXPECT_LT(r.history.Size(), 10u + 2 * 4);
  EXPECT_EQ(r.history.GoTo(0), r.history.FirstPoint());
  EXPECT_EQ(r.Word(0), (r.history.FirstPoint() + 1) / 2);
}

TEST(History, RunBackStopsAtTheLatestPointWhereThePredicateHolds) {
  Recorded r(Loop(), 3);
  for (int i = 0; i < 40; ++i) r.m.Step_Click();
  const auto w0Is7 = [](const MachineState& s) { return s.Ram[0] == 7; };
  EXPECT_EQ(r.history.RunBackTo(w0Is7), 14u);
  EXPECT_EQ(r.history.RunBackTo(w0Is7), 13u);
  EXPECT_EQ(r.history.RunBackTo(w0Is7), 0u);
}

// Stepping only, the last writer is the last instruction up to the current point that changed the value.
TEST(History, WhoWroteAgreesWithTheTapeOnRandomPrograms) {
  const std::vector<std::string> names = {"W0", "W6", "B1", "Bit9", "Pins", "Dirs", "Pin6", "Dir7", "eeprom[250]"};
  std::mt19937 rng(77);
  for (int program = 0; program < 20; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    Recorded r(RandomProgram(rng).Build(), 16);
    r.host.SetPotText("1234");
    r.tape.states.push_back(AsPoint(r.m));
    for (int i = 0; i < 150; ++i) r.m.Step_Click();
    const uint64_t current = 1 + rng() % r.history.LastPoint();
    r.history.GoTo(current);
    for (const std::string& name : names) {
      SCOPED_TRACE(name);
      const HistoryTarget target = *ParseHistoryTarget(name);
      const auto value = [&](const MachineState& s) {
        if (target.IsImage) return static_cast<int>(s.Eeprom[static_cast<size_t>(target.Entry)]);
        const uint32_t pattern = static_cast<uint32_t>(s.Ram[static_cast<size_t>(target.Field.Index)]) & 0xFFFFu;
        return static_cast<int>((pattern >> target.Field.Shift) & static_cast<uint32_t>(target.Field.Mask));
      };
      std::optional<uint64_t> expected;
      for (uint64_t k = 1; k <= current; ++k) {
        if (value(r.tape.states[k]) != value(r.tape.states[k - 1])) expected = k;
      }
      const std::optional<History::Write> write = r.history.WhoWrote(target);
      ASSERT_EQ(write.has_value(), expected.has_value());
      if (write) {
        EXPECT_EQ(write->Instruction, *expected);
        EXPECT_EQ(write->Address, r.tape.addresses[*expected]);
      }
    }
  }
}

}  // namespace
}  // namespace qx9::test
