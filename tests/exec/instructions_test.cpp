// Every instruction, one table: a row's starting words, exact text and effect, and its preview's text.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <set>
#include <vector>

#include "fuzz/machine_invariants.h"
#include "support/rig.h"

namespace qx9::test {
namespace {

using B = ProgramBuilder;
using Lines = std::vector<std::string>;
using Words = std::vector<std::pair<int, int32_t>>;
using Setup = std::function<void(Rig&)>;
constexpr int kOn = -1;                           // goes on with the instruction after it
constexpr int kRestart = -2;                      // a restart is pending
constexpr int E(int entry) { return 8 + entry; }  // an image entry in a row's words
const std::string kEnd = "message: Program reached end -- Restarting";
const std::string kUnemulated = "message: Executed an unimplemented command";
const std::string kRefused = "message: Enter a whole number from -32768 to 32767";

struct Row {
  B program;  // one instruction; the harness writes End after it
  std::string text;
  Words before = {};  // set as the panel shows them
  Words after = {};   // 16-bit patterns afterwards
  Lines events = {};  // while it executes, redraws aside
  int next = kOn;     // linear address afterwards
  Setup setup = {};
  int32_t wait = 0;
};

const Setup kRunning = [](Rig& r) { r.host.PresetTimer(true); };
// The target is named in the text; `before` and `after` are the word that holds it.
Row Let(std::string text, std::vector<LetStep> steps, int32_t before, int32_t after) {
  const std::string target = text.substr(4, text.find('=') - 4);
  const int code = VariableCode(target);
  const int word = code < 16 || code == 32 || code == 33 || code == 48 ? 7
                   : code < 32                                         ? 0
                                                                       : (code - (code < 50 ? 34 : 50)) / 2;
  return {B().Let(V(target), steps), text, {{word, before}, {2, 10}}, {{word, after}}};
}
Condition Cond(const char* var, int compare, Operand right, bool conjunctionAnd = false) {
  return {V(var), compare, std::move(right), conjunctionAnd};
}
Row If(std::string text, std::vector<Condition> conditions, int32_t w0, int32_t w1, bool jumps) {
  return {B().If(conditions, 0x1A), text + (jumps ? " Then 1A (->)" : " Then 1A"), {{0, w0}, {1, w1}}, {}, {},
          jumps ? 0x1A : kOn};
}
Row Next(Operand step, bool up, Operand a, Operand b, int32_t value, int32_t after, bool jumps) {
  return {
      B().Next(step, V("W0"), up, a, b, 0x1A), "Next W0", {{0, value}, {2, 3}}, {{0, after}}, {}, jumps ? 0x1A : kOn};
}
Row Wait(B program, std::string text, int32_t wait) { return {program, text, {}, {}, {}, kOn, kRunning, wait}; }
Row Tone(int note, int code, std::string played) {
  return {B().Sound(V("W0"), {{V("W1"), V("W2")}}),
          "Sound W0,(W2,W1,)",
          {{0, 1}, {1, code}, {2, note}},
          {{7, 0x0200}},
          {played}};
}
// Pot 3,100,B2 or PulsIn 3,1,B2 with both boxes holding `box`; a prompt gets `answer` (none: Cancel).
Row Typed(bool pot, std::string box, std::optional<std::string> answer, int32_t stored, Lines events) {
  const Setup setup = [=](Rig& r) {
    r.host.SetPotText(box);
    r.host.SetPulsInText(box);
    if (answer) r.host.QueueAnswer(answer);
  };
  const B b = pot ? B().Pot(C(3), C(100), V("B2")) : B().PulsIn(C(3), C(1), V("B2"));
  const Words after = {{1, stored}, {7, pot ? 0x0800 : 0}};  // PulsIn makes the pin an input
  return {b, pot ? "Pot 3,100,B2" : "PulsIn 3,1,B2", {{1, 0x1111}, {7, 0x0800}}, after, events, kOn, setup};
}
Row Lookup(int32_t index, int32_t after) {
  const std::vector<Operand> entries = {C(10), C(20), C(30), C(-1), C(17)};
  return {
      B().Lookup(V("W2"), V("B0"), entries), "Lookup W2,(10,20,30,-1,17,),B0", {{0, 0x1111}, {2, index}}, {{0, after}}};
}

std::vector<Row> Rows() {
  const std::string potPrompt = "prompt: Pot value for pin 3 -> ";
  const Setup returnTo80 = [](Rig& r) {
    r.m.GosubStack[0] = 87;  // saved position (10,7)
    r.m.GosubDepth = 1;
  };
  return {
      // Pins: level bit p, direction bit p + 8; a pin from a variable touches only bits that exist.
      {B().High(C(3)), "High 3", {}, {{7, 0x0808}}},
      {B().Low(C(3)), "Low 3", {{7, 0x0808}}, {{7, 0x0800}}},
      {B().Input(C(3)), "Input 3", {{7, 0x0808}}, {{7, 0x0008}}},
      {B().Output(C(3)), "Output 3", {}, {{7, 0x0800}}},
      {B().Toggle(C(3)), "Toggle 3", {{7, 0x0808}}, {{7, 0x0800}}},
      {B().Reverse(C(3)), "Reverse 3", {{7, 0x0800}}, {{7, 0}}},
      {B().High(V("W0")), "High W0", {{0, 8}}, {{7, 0x0100}}},
      {B().High(V("W0")), "High W0", {{0, -9}}, {{7, 0}}},
      // PWM shows the voltage and leaves the pin an input; Pulsout makes it an output.
      {B().Pwm(C(3), C(128), C(10)), "PWM 3,128,10", {{7, 0x0808}}, {{7, 0x0008}}, {"LastPWM: Pin3=2.51"}},
      {B().Pwm(C(3), C(-255), C(10)), "PWM 3,-255,10", {}, {}, {"LastPWM: Pin3=-5.00"}},
      {B().Pulsout(C(2), C(5)), "Pulsout 2,5", {}, {{7, 0x0400}}},
      // Pot and PulsIn: a blank box prompts; Cancel stores nothing; not a whole 16-bit number: refused.
      Typed(true, "", " 42", 0x112A, {potPrompt + "\" 42\""}),
      Typed(true, "   ", {}, 0x1111, {potPrompt + "Cancel"}),
      Typed(true, "32768", {}, 0x1111, {kRefused}),
      Typed(false, "+5", {}, 0x1105, {}),
      // For cuts to its variable; Read, Write: location a is entry 255 - a by its low 8 bits, a whole word.
      {B().For(C(300), V("B2")), "For B2=300", {{1, 0x1100}}, {{1, 0x112C}}},
      {B().Read(C(5), V("W2")), "Read 5,W2", {}, {{2, 1000}}, {}, kOn, [](Rig& r) { r.m.Eeprom[250] = 1000; }},
      {B().Write(C(5), V("W1")), "Write 5,W1", {{1, 1000}}, {{E(250), 1000}}},
      {B().Write(V("W0"), V("B3")), "Write W0,B3", {{0, 261}, {1, 0x0700}}, {{E(250), 7}}},
      // Lookdown: the last match (16 bits compared); Lookup: the entry or 0; Branch: the target or on.
      {B().Lookdown(C(20), V("B1"), {C(20), C(5), C(20)}), "Lookdown 20,(20,5,20,),B1", {{0, 0x7755}}, {{0, 0x0255}}},
      {B().Lookdown(C(20), V("B1"), {C(1), C(2), C(3)}), "Lookdown 20,(1,2,3,),B1", {{0, 0x7755}}, {{0, 0x7755}}},
      {B().Lookdown(C(-1), V("B1"), {C(7), C(65535)}), "Lookdown -1,(7,-1,),B1", {{0, 0x7755}}, {{0, 0x0155}}},
      Lookup(3, 0x11FF),
      Lookup(5, 0x1100),
      {B().Branch(V("W0"), {0x1A, 0x2F}), "Branch W0,(1A,2F,)", {{0, 1}}, {}, {}, 0x2F},
      {B().Branch(V("W0"), {0x1A, 0x2F}), "Branch W0,(1A,2F,)", {{0, 2}}, {}, {}, kOn},
      // Gosub and Return jump and each clear W6.
      {B().Gosub(0x1A), "Gosub 1A", {{5, 0x5678}, {6, 0x1234}}, {{5, 0x5678}, {6, 0}}, {}, 0x1A},
      {B().Return(), "Return", {{6, 0x1234}}, {{6, 0}}, {}, 80, returnTo80},
      {B().Goto(0x1A3), "Goto 1A3", {}, {}, {}, 0x1A3},
      // Waits are set only while running; beyond 32 bits they saturate; Nap -2's 4.5 ms rounds to even.
      Wait(B().Pause(C(100)), "Pause 100", 100),
      Wait(B().Pause(C(65535)), "Pause -1", -1),
      {B().Pause(C(100)), "Pause 100"},
      Wait(B().Nap(C(-2)), "Nap -2", 4),
      Wait(B().Nap(C(27)), "Nap 27", INT32_MAX),
      Wait(B().Sleep(C(1)), "Sleep 1", 998),
      // Sound: notes in groups, the duration code cut to 8 bits, frequencies outside 37..32767 rest.
      {B().Sound(V("B0"), {{C(50), C(100)}, {C(10), C(0)}}),
       "Sound B0,(100,50,0,10,)",
       {{0, 1}},
       {},
       {"tone: 428 Hz 600 ms", "rest: 120 ms"}},
      Tone(100, 300, "tone: 428 Hz 528 ms"),
      Tone(-197, 1, "tone: 37 Hz 12 ms"),
      Tone(-198, 1, "rest: 12 ms"),
      Tone(128, 2, "rest: 24 ms"),
      // Let: every operator, the chain's text, the cut to the target's width after every step.
      Let("Let W1=W1-1", {{2, C(1)}}, 0, 0xFFFF),
      Let("Let W0=300*300", {{1, C(300)}, {4, C(300)}}, 0, 0x5F90),
      Let("Let W0=3**-1", {{1, C(3)}, {5, C(-1)}}, 0x1234, 0),
      Let("Let W0=-1**-3", {{1, C(-1)}, {5, C(-3)}}, 0, 0xFFFF),
      Let("Let W0=-7//2", {{1, C(-7)}, {6, C(2)}}, 0, 0xFFFF),
      Let("Let W0=-7/2", {{1, C(-7)}, {7, C(2)}}, 0, 0xFFFD),
      Let("Let W0=-32768/-1", {{1, C(-32768)}, {7, C(-1)}}, 0, 0x8000),
      Let("Let W0=-32768//-1", {{1, C(-32768)}, {6, C(-1)}}, 0, 0),
      Let("Let W0=W0&255", {{9, C(255)}}, 0x0F0F, 0x000F),
      Let("Let W0=0|/255", {{1, C(0)}, {10, C(255)}}, 0, 0xFF00),
      Let("Let W0=W0^/255", {{12, C(255)}}, 0x0F0F, 0xF00F),
      Let("Let W0=W0^255", {{13, C(255)}}, 0x0F0F, 0x0FF0),
      Let("Let W0=W0MAX10", {{15, C(10)}}, -1, 10),
      Let("Let W0=W0MIN10", {{14, C(10)}}, -1, 0xFFFF),                           // signed: -1 is the smaller
      Let("Let W0=32767+1/2", {{1, C(32767)}, {3, C(1)}, {7, C(2)}}, 0, 0xC000),  // -32768/2
      Let("Let B1=B1+1", {{3, C(1)}}, 0xFF34, 0x0034),
      Let("Let Bit0=3/2", {{1, C(3)}, {7, C(2)}}, 0xFFFF, 0xFFFE),  // 3 cut to 1 first
      Let("Let B0=-1/2", {{1, C(-1)}, {7, C(2)}}, 0, 127),          // -1 cut to 255 first
      Let("Let W0=7//0", {{1, C(7)}, {6, C(0)}}, 0, 7),             // 7 stays
      Let("Let B0=7/0", {{1, C(7)}, {7, C(0)}}, 0x1200, 0x12FF),    // all bits set, then the cut
      Let("Let W0=0**-1", {{1, C(0)}, {5, C(-1)}}, 0, 0xFFFF),
      {B().Let(V("B0"), {{0, C(5)}, {3, C(1)}}),
       "Let B0=B0+1",
       {{0, 0x1207}},
       {{0, 0x1208}},
       {"message: You can't see this"}},  // operator code 0: the target's name, then the next step
      // If: signed; conditions combine strictly left to right (1 AND, 0 OR) from a result that starts false.
      If("If B0<5", {Cond("B0", 1, C(5))}, 3, 0, true),
      If("If B0>5", {Cond("B0", 2, C(5))}, 6, 0, true),
      If("If B0<>5", {Cond("B0", 3, C(5))}, 5, 0, false),
      If("If B0=5", {Cond("B0", 4, C(5))}, 5, 0, true),
      If("If B0<=5", {Cond("B0", 5, C(5))}, 5, 0, true),
      If("If B0>=5", {Cond("B0", 6, C(5))}, 4, 0, false),
      If("If W0>-25536", {Cond("W0", 2, C(40000))}, 0, 0, true),
      If("If B1>W1", {Cond("B1", 2, V("W1"))}, 0xFF00, -1, true),
      If("If B0=2ORB0=2ANDB1=4", {Cond("B0", 4, C(2)), Cond("B0", 4, C(2)), Cond("B1", 4, C(4), true)}, 0x0302, 0,
         false),
      If("If B0=2ANDB1=3", {Cond("B0", 4, C(2)), Cond("B1", 4, C(3), true)}, 0x0302, 0, true),
      If("If B0=2", {Cond("B0", 4, C(2), true)}, 0x0302, 0, false),
      {B().If({Cond("B0", 7, C(1)), Cond("B0", 4, C(0))}, 0x1A),
       "If ORB0=0 Then 1A (->)",
       {},
       {},
       {"message: Unknown"},
       0x1A},  // an unknown comparison: a message, the result left as it was
      // Next: signed; only A counts going up, only B down; a step out of 16 bits keeps the value.
      Next(C(1), true, C(3), C(9), 2, 3, true),
      Next(C(1), true, C(3), C(9), 3, 4, false),
      Next(C(1), false, C(9), C(1), 2, 1, true),
      Next(C(1000), true, C(32500), C(0), 32000, 32000, true),
      Next(C(1), true, C(40000), C(0), 0, 1, false),  // 40000 reads as -25536
      {B().Next(C(1), V("B0"), true, C(300), C(0), 0x1A), "Next B0", {{0, 0x12FF}}, {{0, 0x1200}}, {}, 0x1A},
      // The rest; Debug tells only a user who is stepping.
      {B().Random(V("W0")), "Random W0"},
      {B().Debug(0x7FF), "Debug", {}, {}, {"message: Debug Not Implemented"}},
      {B().Debug(), "Debug", {}, {}, {}, kOn, kRunning},
      {B().End(), "End", {}, {}, {kEnd}, kRestart},
      {B().Button(), "Button Unimplemented!", {}, {}, {kUnemulated, kEnd}, kRestart},
      {B().Serout(), "Serout Unimplemented!", {}, {}, {kUnemulated, kEnd}, kRestart},
      {B().Serin(), "Serin Unimplemented!", {}, {}, {kUnemulated, kEnd}, kRestart},
  };
}

void Prepare(Rig& r, const B& program, const Row& row) {
  r.Load(program);
  for (const auto& [index, value] : row.before) r.SetWord(index, value);
  if (row.setup) row.setup(r);
}

TEST(Instructions, EveryRowDecodesAndExecutesAsTabled) {
  std::set<int> opcodes;
  for (const Row& row : Rows()) {
    B program = row.program;
    const int end = program.Here();
    program.End();
    opcodes.insert(program.Build()[2] & 31);
    SCOPED_TRACE(row.text);
    Rig r;
    Prepare(r, program, row);
    r.host.ClearEvents();
    EXPECT_EQ(r.Preview(), row.text);
    for (const std::string& line : r.host.Lines()) {  // a preview prompts, plays and restarts nothing
      EXPECT_TRUE(line.rfind("LastPWM", 0) == 0 || line == "message: Unknown" || line == "message: You can't see this")
          << line;
    }
    r.host.ClearEvents();
    EXPECT_EQ(r.Exec(), row.text);
    EXPECT_EQ(r.host.Lines(), row.events);
    for (const auto& [i, v] : row.after) {
      if (i < 8) {
        EXPECT_EQ(r.Word(i), uint16_t(v)) << "W" << i;
      } else {
        EXPECT_EQ(r.m.Eeprom[i - 8], v) << "image entry " << i - 8;
      }
    }
    EXPECT_EQ(r.m.NextCycleResets(), row.next == kRestart);
    if (row.next != kRestart) {
      EXPECT_EQ(r.m.LinearAddress(), row.next == kOn ? end : row.next);
    }
    EXPECT_EQ(r.m.WaitMs, row.wait);
  }
  EXPECT_EQ(opcodes.size(), 32u);
}

TEST(Instructions, CodesNamingNoVariableShowThePreviousOperandOfTheSameInstruction) {
  Rig r;
  r.Load(B().High(C(3)).Random(VCode(49)).Let(VCode(63), {{1, C(5)}}).End());
  r.SetWord(0, 0x1234);
  for (const char* shown : {"Random ", "Let 5=5", "End"}) {  // not "Random 3": cleared before each opcode
    r.m.Step_Click();
    EXPECT_EQ(r.host.StateBox(), shown);
  }
  EXPECT_EQ(r.Word(0), 0x1234);  // mask 0: nothing stored
}

TEST(Instructions, GosubEndingOnAByteBoundarySavesTheNextBytesFirstBit) {
  Rig r;  // High 1 (9 bits) puts the Gosub at 28..47: it ends with byte 5 used up, (5,-1)
  const B b = B().High(C(1)).Gosub("sub").Label("back").End().Label("sub").Return();
  r.Load(b);
  r.Exec();
  r.Exec();
  EXPECT_EQ(r.m.GosubStack[0], int16_t{8 * 6 + 7});
  EXPECT_EQ(r.m.GosubDepth, int16_t{1});
  EXPECT_EQ(r.Exec(), "Return");
  EXPECT_EQ(r.m.LinearAddress(), b.AddressOf("back"));
}

// With no panel, an instruction's text is built only when read; read late, it must still be its text then.
struct Headless {
  ScriptedHost host;
  Machine m{host};
  explicit Headless(const B& program) {
    host.Mode = Host::Boxes::NoPanel;
    m.LoadImage(program.Build());
    m.StartProgram();
  }
};

// The jump mark is the one the If made, not one worked out again from the words as they are now.
TEST(TextOnDemand, AnIfKeepsTheJumpItMadeWhateverTheWordsAreLater) {
  Headless h(B().If({{V("W0"), 4, C(0)}}, 0x20));
  h.m.ExecuteNext();
  h.m.Ram[0] = 5;
  EXPECT_EQ(h.m.InstructionText(), "If W0=0 Then 20 (->)");
}

// The Let takes 27 bits from address 19, so the Write starts in image entry 5: data location 250.
TEST(TextOnDemand, AWriteOverItsOwnBitsShowsWhatExecuted) {
  Headless h(B().Let(V("W0"), {{1, C(255)}}).Write(C(250), V("W0")));
  h.m.ExecuteNext();
  h.m.ExecuteNext();
  EXPECT_EQ(h.m.Eeprom[5], 255);
  EXPECT_EQ(h.m.InstructionText(), "Write 250,W0");
}

// Random walks a full-period sequence: a generator with short cycles would look random in a table row.
TEST(Instructions, RandomVisitsEveryWordValueBeforeRepeating) {
  Rig r;
  r.Load(B().Random(V("W0")).End());
  std::vector<bool> seen(65536, false);
  const uint16_t start = r.Word(0);
  for (int i = 0; i < 65536; ++i) {
    r.m.JumpTo(19);
    r.Exec();
    ASSERT_FALSE(seen[r.Word(0)]) << "repeated after " << i << " draws";
    seen[r.Word(0)] = true;
  }
  EXPECT_EQ(r.Word(0), start);
}

}  // namespace
}  // namespace qx9::test
