// The instruction cycle: decode-only mode against execution for every opcode, the restart paths, and
// what happens at the end of the image.
#include <gtest/gtest.h>

#include <functional>

#include "support/rig.h"

namespace qx9::test {
namespace {

using Lines = std::vector<std::string>;

struct Sample {
  std::string text;                                // the decoded text
  std::function<void(ProgramBuilder&)> write;      // the instruction
  std::function<void(Rig&)> setup = [](Rig&) {};   // state that makes its effect visible
  bool movesElsewhere = false;                     // jumps or restarts when executed
};

std::vector<Sample> EveryOpcode() {
  auto word = [](int i, int32_t v) { return [=](Rig& r) { r.SetWord(i, v); }; };
  return {
      {"High 3", [](ProgramBuilder& b) { b.High(C(3)); }},
      {"Low B2", [](ProgramBuilder& b) { b.Low(V("B2")); }, word(1, 5)},
      {"Input 3", [](ProgramBuilder& b) { b.Input(C(3)); }, word(7, 0x0808)},
      {"Output 4", [](ProgramBuilder& b) { b.Output(C(4)); }},
      {"Toggle 1", [](ProgramBuilder& b) { b.Toggle(C(1)); }, word(7, 0x8001)},
      {"Reverse 3", [](ProgramBuilder& b) { b.Reverse(C(3)); }},
      {"PWM 3,128,10", [](ProgramBuilder& b) { b.Pwm(C(3), C(128), C(10)); }},
      {"Pot 0,100,B2", [](ProgramBuilder& b) { b.Pot(C(0), C(100), V("B2")); },
       [](Rig& r) { r.host.SetPotText("200"); }},
      {"Pulsout 2,5", [](ProgramBuilder& b) { b.Pulsout(C(2), C(5)); }},
      {"PulsIn 3,1,W1", [](ProgramBuilder& b) { b.PulsIn(C(3), C(1), V("W1")); },
       [](Rig& r) { r.host.SetPulsInText("7"); }},
      {"For B2=300", [](ProgramBuilder& b) { b.For(C(300), V("B2")); }},
      {"Read 0,B2", [](ProgramBuilder& b) { b.Read(C(0), V("B2")).Data(0, 0x12); }},
      {"Write 5,W1", [](ProgramBuilder& b) { b.Write(C(5), V("W1")); }, word(1, 1000)},
      {"Lookdown B2,(10,20,30,),B1", [](ProgramBuilder& b) { b.Lookdown(V("B2"), V("B1"), {C(10), C(20), C(30)}); },
       word(1, 20)},
      {"Gosub 1A", [](ProgramBuilder& b) { b.Gosub(0x1A); }, word(6, 0x1234), true},
      {"Pause 100", [](ProgramBuilder& b) { b.Pause(C(100)); }},
      {"Random W0", [](ProgramBuilder& b) { b.Random(V("W0")); }, word(0, 5)},
      {"Button Unimplemented!", [](ProgramBuilder& b) { b.Button(); }, word(0, 5), true},
      {"Sound 1,(100,50,)", [](ProgramBuilder& b) { b.Sound(C(1), {{C(50), C(100)}}); }},
      {"Serout Unimplemented!", [](ProgramBuilder& b) { b.Serout(); }, word(0, 5), true},
      {"Serin Unimplemented!", [](ProgramBuilder& b) { b.Serin(); }, word(0, 5), true},
      {"Let W1=B2*3/2", [](ProgramBuilder& b) { b.Let(V("W1"), {{1, V("B2")}, {4, C(3)}, {7, C(2)}}); },
       word(1, 10)},
      {"Lookup B2,(10,20,30,),B0", [](ProgramBuilder& b) { b.Lookup(V("B2"), V("B0"), {C(10), C(20), C(30)}); },
       word(1, 1)},
      {"Next B0", [](ProgramBuilder& b) { b.Next(C(1), V("B0"), true, C(3), C(0), 0x1A); }, word(0, 5)},
      {"If B0<5 Then 1A (->)", [](ProgramBuilder& b) { b.If({{V("B0"), 1, C(5), false}}, 0x1A); }, word(0, 3),
       true},
      {"Goto 1A3", [](ProgramBuilder& b) { b.Goto(0x1A3); }, [](Rig&) {}, true},
      {"Branch B2,(1A,2F,)", [](ProgramBuilder& b) { b.Branch(V("B2"), {0x1A, 0x2F}); }, word(1, 1), true},
      {"Return", [](ProgramBuilder& b) { b.Return(); },
       [](Rig& r) {
         r.m.GosubStack[0] = 87;
         r.m.GosubDepth = 1;
         r.SetWord(6, 0x1234);
       },
       true},
      {"Nap 4", [](ProgramBuilder& b) { b.Nap(C(4)); }},
      {"Sleep 1", [](ProgramBuilder& b) { b.Sleep(C(1)); }},
      {"Debug", [](ProgramBuilder& b) { b.Debug(); }},
      {"End", [](ProgramBuilder& b) { b.End(); }, word(0, 5), true},
  };
}

class DecodeOnly : public ::testing::TestWithParam<bool> {};  // the parameter: the timer is running

// Decoding only reads exactly the bits that executing reads, builds the same text, and changes nothing:
// no word, no image entry, no stack, no flag, no wait, no message, no tone.
TEST_P(DecodeOnly, ConsumesTheSameBitsAndChangesNothing) {
  const bool running = GetParam();
  for (const Sample& s : EveryOpcode()) {
    SCOPED_TRACE(s.text);
    ProgramBuilder program;
    s.write(program);
    program.End();

    Rig listed;
    listed.Load(program);
    s.setup(listed);
    listed.host.PresetTimer(running);
    listed.m.StepOverArmed = true;
    const MachineState before = listed.m;
    listed.m.ListOnly = true;
    listed.m.ExecuteNext();
    listed.m.ListOnly = false;
    MachineState after = listed.m;
    const std::pair<int, int> listedPos = listed.Pos();
    EXPECT_EQ(after.InstrText, s.text);
    after.InstrText = before.InstrText;
    after.OperandText = before.OperandText;
    after.TokByte = before.TokByte;
    after.TokBit = before.TokBit;
    EXPECT_TRUE(after == before);
    for (const std::string& line : listed.host.Lines(true)) EXPECT_EQ(line.rfind("LastPWM:", 0), 0u) << line;

    Rig executed;
    executed.Load(program);
    s.setup(executed);
    executed.host.PresetTimer(running);
    executed.Exec();
    if (!s.movesElsewhere) {
      EXPECT_EQ(executed.Pos(), listedPos);
      EXPECT_EQ(executed.m.InstrText, s.text);
    } else {
      EXPECT_NE(executed.Pos(), listedPos);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cycle, DecodeOnly, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Running" : "Stepping"; });

TEST(Cycle, PreviewRestoresThePositionAndShowsTheText) {
  Rig r;
  r.Load(ProgramBuilder().Let(V("B0"), {{3, C(1)}}).End());
  const auto pos = r.Pos();
  r.m.PreviewNext();
  EXPECT_EQ(r.Pos(), pos);
  EXPECT_FALSE(r.m.ListOnly);
  EXPECT_FALSE(r.m.Busy);
  EXPECT_EQ(r.host.Lines(true), (Lines{"state: Let B0=B0+1"}));
}

TEST(Cycle, SteppingOntoEndRestartsAndShowsTheFirstInstruction) {
  Rig r;
  r.Load(ProgramBuilder().Let(V("W0"), {{3, C(1)}}).High(C(3)).End());
  r.m.Step_Click();
  r.m.Step_Click();
  r.host.ClearEvents();
  r.m.Step_Click();  // End
  EXPECT_EQ(r.host.Lines(), (Lines{"message: Program reached end -- Restarting"}));
  EXPECT_FALSE(r.m.RestartPending);
  EXPECT_EQ(r.m.Ram[0], 0);
  EXPECT_EQ(r.m.Ram[7], 0x0808);  // the port word survives
  EXPECT_EQ(r.Pos(), std::make_pair(2, 4));
  EXPECT_EQ(r.host.StateBox(), "Let W0=W0+1");
  r.m.Step_Click();
  EXPECT_EQ(r.m.Ram[0], 1);
}

TEST(Cycle, UnemulatedInstructionsReportAndRestart) {
  const std::vector<std::function<void(ProgramBuilder&)>> writers = {
      [](ProgramBuilder& b) { b.Button(); }, [](ProgramBuilder& b) { b.Serout(); },
      [](ProgramBuilder& b) { b.Serin(); }};
  for (const auto& write : writers) {
    for (bool running : {false, true}) {
      Rig r;
      ProgramBuilder b;
      b.Let(V("W0"), {{3, C(1)}});
      write(b);
      r.Load(b);
      if (running) r.m.RunBtn_Click();
      r.m.ExecuteNext();
      r.host.ClearEvents();
      r.m.ExecuteNext();
      Lines expected = {"message: Executed an unimplemented command", "message: Program reached end -- Restarting"};
      if (running) {
        expected.push_back("caption: Run (F5)");
        expected.push_back("timer: off");
      }
      EXPECT_EQ(r.host.Lines(), expected) << running;
      EXPECT_TRUE(r.m.RestartPending);
      EXPECT_EQ(r.m.Ram[0], 0);
      EXPECT_EQ(r.m.InstrText, "Let W0=W0+1");  // executing one does not set its text
    }
  }
}

TEST(Cycle, RunningOffTheEndOfTheImageMeetsAnEnd) {
  // Goto 2043 lands in the last five bits of byte 255 (00010: Input); its operand lies beyond the image
  // and reads as zeros (flag 0, code 0: Pin0). The cycle after it starts at the end: End.
  Rig r;
  r.Load(ProgramBuilder().Goto(2043).Data(0, 0x02));
  r.m.Step_Click();
  EXPECT_EQ(r.host.StateBox(), "Input Pin0");
  r.SetWord(7, 0x0100);
  r.m.Step_Click();
  EXPECT_EQ(r.m.Ram[7], 0);
  EXPECT_EQ(r.host.StateBox(), "End");
  EXPECT_TRUE(r.m.AtEnd());
  r.host.ClearEvents();
  r.m.Step_Click();
  EXPECT_EQ(r.host.Texts(EventKind::Message), (Lines{"Program reached end -- Restarting"}));
  EXPECT_EQ(r.host.StateBox(), "Goto 7FB");
}

TEST(Cycle, PositionsPastTheEndDecodeAsEnd) {
  for (const auto& [byte, bit] : {std::make_pair(255, -1), std::make_pair(256, 7)}) {
    Rig r;
    r.Load(ProgramBuilder().High(C(3)));
    r.m.TokByte = static_cast<int16_t>(byte);
    r.m.TokBit = static_cast<int16_t>(bit);
    EXPECT_EQ(r.Preview(), "End");
    r.Exec();
    EXPECT_EQ(r.host.Texts(EventKind::Message), (Lines{"Program reached end -- Restarting"}));
    EXPECT_TRUE(r.m.RestartPending);
  }
}

TEST(Cycle, CodesNamingNoVariableShowThePreviousOperandOfTheSameInstruction) {
  Rig r;
  r.Load(ProgramBuilder().High(C(3)).Random(VCode(49)).Let(VCode(63), {{1, C(5)}}).End());
  r.SetWord(0, 0x1234);
  r.m.Step_Click();
  EXPECT_EQ(r.host.StateBox(), "Random ");  // not "Random 3": the text is cleared before each opcode
  r.m.Step_Click();
  EXPECT_EQ(r.host.StateBox(), "Let 5=5");
  r.m.Step_Click();
  EXPECT_EQ(r.Word(0), 0x1234);  // mask 0: nothing stored
}

}  // namespace
}  // namespace qx9::test
