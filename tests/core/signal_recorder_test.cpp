// The signal recorder: changes stamped with time and instruction, a full ring, instruction start times.
#include "core/signal_recorder.h"

#include "core/history.h"
#include "core/null_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/rig.h"

namespace qx9::test {
namespace {

// A recorder attached to a loaded rig, recording from the program's first instruction.
struct RecordingRig : Rig {
  SignalRecorder recorder;
  History history;  // attached by the tests that go back
  explicit RecordingRig(const ProgramBuilder& program, size_t capacity = SignalRecorder::kDefaultEventCapacity,
                        size_t instructionRuns = SignalRecorder::kDefaultInstructionRuns)
      : recorder(capacity, instructionRuns) {
    Load(program);
    recorder.Restart(m);
    m.AddListener(recorder);
  }
  ~RecordingRig() { m.RemoveListener(recorder); }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) m.Step_Click();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) m.Timer1_Timer();
  }
  std::vector<SignalEvent> All() const {
    std::vector<SignalEvent> events;
    for (size_t i = 0; i < recorder.EventCount(); ++i) events.push_back(recorder.Event(i));
    return events;
  }
};

SignalEvent Word(int64_t timeUs, uint64_t instruction, int index, int value) {
  return {SignalKind::Word, timeUs, instruction, index, value, 0, {}};
}

ProgramBuilder Counter() { return ProgramBuilder().Label("top").Let(V("W1"), {{3, C(1)}}).Goto("top"); }

TEST(SignalRecorder, KeepsOnlyChangesStampedWithTheStepsSimulatedTimeAndNumber) {
  RecordingRig r(ProgramBuilder().High(C(3)).High(C(3)).Let(V("W1"), {{3, C(1)}}).End());
  r.Steps(3);
  // Each press counts 1 ms; an instruction's changes carry the time it started at.
  const std::vector<SignalEvent> expected = {
      Word(0, 1, kPortWord, 0x0808),
      Word(2000, 3, 1, 1),
  };
  EXPECT_EQ(r.All(), expected);
  EXPECT_EQ(r.recorder.EndTimeUs(), 2000);
  r.recorder.CatchUp(r.m);  // the third press's own millisecond
  EXPECT_EQ(r.recorder.EndTimeUs(), 3000);
}

TEST(SignalRecorder, SoundsToneAndRestStartWhenTheClockReachesThem) {
  // Sound 2, (note 100 for 2 x 12 ms, note 0 for 1 x 12 ms): a tone of 428 Hz, then a rest.
  RecordingRig r(ProgramBuilder().Sound(C(2), {{C(2), C(100)}, {C(1), C(0)}}).High(C(0)).End());
  r.Steps(2);
  const std::vector<SignalEvent> expected = {
      {SignalKind::Tone, 0, 1, 0, 428, 24, {}},
      {SignalKind::Rest, 24000, 1, 0, 0, 12, {}},
      Word(0, 1, kPortWord, 0x0400),      // Sound made pin 2 an output as it started
      Word(37000, 2, kPortWord, 0x0501),  // 36 ms of sound and the Sound's own 1 ms later
  };
  EXPECT_EQ(r.All(), expected);
}

// A switch click writes no mark an instruction reads: the recorder compares the words itself.
TEST(SignalRecorder, ChangesFromOutsideAreStampedWhenTheyHappen) {
  RecordingRig r(ProgramBuilder().Input(C(6)).Pause(C(30)).End());
  r.Steps(1);
  r.m.GInBtn_Click(6);
  EXPECT_EQ(r.All(), (std::vector<SignalEvent>{Word(1000, 1, kPortWord, 0x0040)}));
}

TEST(SignalRecorder, TextsStayWithTheirEventsWhenTheRingWraps) {
  // A round: the Pot read ("12"), B2 (W1) set by it, End's message, W1 cleared by the restart.
  RecordingRig r(ProgramBuilder().Pot(C(1), C(0), V("B2")).End(), 4);
  r.host.SetPotText("12");
  for (int round = 0; round < 4; ++round) {
    r.m.ExecuteNext();  // Pot
    r.m.ExecuteNext();  // End
    r.m.ExecuteNext();  // the restart's reset
  }
  const int box = static_cast<int>(MachineListener::Input::PotBox);
  const std::vector<SignalEvent> lastRound = {
      {SignalKind::Pot, 0, 7, box, 1, 0, "12"},
      Word(0, 7, 1, 12),
      {SignalKind::Message, 0, 8, 0, 0, 0, "Program reached end -- Restarting"},
      Word(0, 8, 1, 0),
  };
  EXPECT_EQ(r.All(), lastRound);
  EXPECT_EQ(r.recorder.EventsDropped(), 12u);
}

// Whatever writes a word (a field, a call losing W6, End's reset), the latest values are the machine's.
TEST(SignalRecorder, LatestValuesFollowEveryWriter) {
  ProgramBuilder b;
  b.Label("top").Let(V("W6"), {{3, C(7)}}).High(C(1)).Toggle(C(2)).Pot(C(1), C(0), V("B2")).Random(V("W3"));
  b.For(C(1), V("B8")).Label("inner").Next(C(1), V("B8"), true, C(2), C(0), "inner");
  b.Gosub("sub").Let(V("W6"), {{3, C(3)}}).End().Label("sub").Let(V("W4"), {{3, C(1)}}).Return();
  RecordingRig r(b);
  r.host.SetPotText("12");
  for (int cycle = 0; cycle < 40; ++cycle) {
    r.m.ExecuteNext();
    const SignalSnapshot now = r.recorder.ValuesAt(INT64_MAX);
    for (size_t i = 0; i < now.Words.size(); ++i)
      ASSERT_EQ(now.Words[i], static_cast<uint16_t>(r.m.Ram[i])) << "cycle " << cycle << ", word " << i;
  }
}

// A full ring's origin: the dropped events' latest time (a Sound's tones precede its own word change).
TEST(SignalRecorder, AFullRingsOriginIsWhereTheDroppedEventsEnd) {
  const ProgramBuilder program =
      ProgramBuilder().Label("top").Input(C(2)).Sound(C(2), {{C(2), C(100)}, {C(1), C(0)}}).Toggle(C(1)).Goto("top");
  RecordingRig whole(program);
  RecordingRig clipped(program, 128);  // drops two events at a time
  for (int step = 0; step < 300; ++step) {
    whole.Steps(1);
    clipped.Steps(1);
    const uint64_t dropped = clipped.recorder.EventsDropped();
    if (dropped == 0) continue;
    int64_t latestUs = 0;
    for (size_t i = 0; i < dropped; ++i) latestUs = std::max(latestUs, whole.recorder.Event(i).TimeUs);
    ASSERT_EQ(clipped.recorder.Origin().TimeUs, latestUs) << "step " << step;
    ASSERT_EQ(clipped.recorder.Origin().Instruction, whole.recorder.Event(dropped - 1).Instruction);
  }
  EXPECT_GT(clipped.recorder.EventsDropped(), 0u);
}

// With no panel there are no instruction texts; a read still keeps its kind, a cancelled prompt too.
TEST(SignalRecorder, ReadsKeepTheirKindWithoutAPanel) {
  struct Headless : NullHost {
    std::string PotText() const override { return "12"; }
  } host;
  Machine m(host);
  m.LoadImage(ProgramBuilder().Pot(C(1), C(0), V("B2")).PulsIn(C(7), C(1), V("B1")).End().Build());
  m.StartProgram();
  SignalRecorder recorder;
  recorder.Restart(m);
  m.AddListener(recorder);
  m.ExecuteNext();
  m.ExecuteNext();
  m.RemoveListener(recorder);
  const int box = static_cast<int>(MachineListener::Input::PotBox);
  const int prompt = static_cast<int>(MachineListener::Input::PromptAnswer);
  EXPECT_EQ(recorder.EventsOf(SignalKind::Pot, 0, 1),
            (std::vector<SignalEvent>{{SignalKind::Pot, 0, 1, box, 1, 0, "12"}}));
  EXPECT_EQ(recorder.EventsOf(SignalKind::PulsIn, 0, 1),
            (std::vector<SignalEvent>{{SignalKind::PulsIn, 0, 2, prompt, 0, 0, ""}}));
}

// Running on from the past replaces the future (time never runs backwards); from before the ring, afresh.
TEST(SignalRecorder, GoingBackBeforeTheKeptEventsStartsAfresh) {
  RecordingRig r(Counter(), 4);
  r.history.Attach(r.m);
  r.Steps(40);
  r.history.GoTo(4);
  r.Steps(6);
  const std::vector<SignalEvent> events = r.All();
  const auto earlier = [](const SignalEvent& a, const SignalEvent& b) { return a.TimeUs < b.TimeUs; };
  EXPECT_TRUE(std::is_sorted(events.begin(), events.end(), earlier));
  EXPECT_EQ(r.recorder.Origin().Instruction, 4u);
  EXPECT_EQ(r.recorder.ValuesAt(r.recorder.EndTimeUs()).Words[1], r.m.Ram[1]);
}

// When every instruction started, as the machine says: what the recorder's runs must give back.
struct StartTimes : MachineListener {
  std::vector<int64_t> Us;  // Us[n - 1]: when instruction n started
  void BeforeInstruction(const Machine& m) override {
    Us.resize(m.InstructionsExecuted + 1);
    Us[m.InstructionsExecuted] = m.SimTimeUs;
  }
};

void ExpectEveryStartKept(const SignalRecorder& recorder, const StartTimes& starts) {
  for (size_t i = 0; i < starts.Us.size(); ++i) {
    EXPECT_EQ(recorder.InstructionTimeUs(i + 1), std::optional<int64_t>(starts.Us[i])) << "instruction " << i + 1;
    // Back from a time: the last instruction started by then.
    const auto startedBy = std::upper_bound(starts.Us.begin(), starts.Us.end(), starts.Us[i]) - starts.Us.begin();
    EXPECT_EQ(recorder.InstructionAt(starts.Us[i]), static_cast<uint64_t>(startedBy)) << "instruction " << i + 1;
  }
  EXPECT_EQ(recorder.InstructionTimeUs(starts.Us.size() + 1), std::nullopt);
}

// Every start survives steady runs broken by waits, presses, sounds and a trip back in the history.
TEST(SignalRecorder, EveryInstructionStartSurvivesChangesOfPace) {
  ProgramBuilder b = ProgramBuilder().Label("top").Toggle(C(0)).Toggle(C(0)).Pause(C(25));
  RecordingRig r(b.Sound(C(0), {{C(1), C(3)}}).Toggle(C(1)).Goto("top"));
  StartTimes starts;
  r.m.AddListener(starts);
  r.history.Attach(r.m);
  r.Steps(3);
  r.m.RunBtn_Click();
  r.Ticks(40);
  r.m.RunBtn_Click();
  r.Steps(4);
  ExpectEveryStartKept(r.recorder, starts);
  r.history.GoTo(5);
  starts.Us.resize(5);
  r.Steps(2);
  r.m.RunBtn_Click();
  r.Ticks(12);
  r.m.RunBtn_Click();
  ExpectEveryStartKept(r.recorder, starts);
  r.m.RemoveListener(starts);
}

}  // namespace
}  // namespace qx9::test
