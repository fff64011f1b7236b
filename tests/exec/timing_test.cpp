// Pause, Nap, Sleep, Sound, PWM, Pot, Pulsout, PulsIn.
#include <gtest/gtest.h>

#include <climits>

#include "support/rig.h"

namespace qx9::test {
namespace {

using Lines = std::vector<std::string>;

// The wait one instruction sets, executed while running (or stepping).
int32_t WaitAfter(const ProgramBuilder& program, bool running) {
  Rig r;
  r.Load(program);
  r.host.PresetTimer(running);
  r.Exec();
  return r.m.WaitMs;
}

TEST(Timing, WaitsAreSetOnlyWhileRunning) {
  struct Case {
    const char* what;
    ProgramBuilder program;
    int32_t wait;
  };
  const Case cases[] = {
      {"Pause 100", ProgramBuilder().Pause(C(100)), 100},
      {"Pause 65535", ProgramBuilder().Pause(C(65535)), -1},  // reads as -1: no wait
      {"Nap 0", ProgramBuilder().Nap(C(0)), 18},
      {"Nap 7", ProgramBuilder().Nap(C(7)), 2304},
      {"Nap -1", ProgramBuilder().Nap(C(-1)), 9},
      {"Nap -2", ProgramBuilder().Nap(C(-2)), 4},  // 4.5 rounds to even
      {"Nap 26", ProgramBuilder().Nap(C(26)), 1207959552},
      {"Nap 27", ProgramBuilder().Nap(C(27)), INT32_MAX},  // beyond 32 bits: saturates
      {"Nap 32767", ProgramBuilder().Nap(C(32767)), INT32_MAX},
      {"Nap -32768", ProgramBuilder().Nap(C(-32768)), 0},
      {"Sleep 0", ProgramBuilder().Sleep(C(0)), 0},
      {"Sleep 1", ProgramBuilder().Sleep(C(1)), 998},
      {"Sleep 2", ProgramBuilder().Sleep(C(2)), 1999},
      {"Sleep 10", ProgramBuilder().Sleep(C(10)), 9998},
      {"Sleep 60", ProgramBuilder().Sleep(C(60)), 59998},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WaitAfter(c.program, true), c.wait) << c.what;
    EXPECT_EQ(WaitAfter(c.program, false), 0) << c.what;
  }
}

TEST(Timing, ANegativeWaitLetsTheNextTickRun) {
  Rig r;
  r.Load(ProgramBuilder().Pause(C(-1)).Let(V("W0"), {{3, C(1)}}).End());
  r.m.RunBtn_Click();
  r.m.Timer1_Timer();
  r.m.Timer1_Timer();
  EXPECT_EQ(r.m.Ram[0], 1);
}

TEST(Sound, TonesRestsAndText) {
  struct Case {
    int note, code;
    std::string played;
  };
  const Case cases[] = {
      {0, 10, "rest: 120 ms"},         {127, 1, "tone: 10526 Hz 12 ms"}, {1, 1, "tone: 94 Hz 12 ms"},
      {64, 1, "tone: 187 Hz 12 ms"},   {100, 1, "tone: 428 Hz 12 ms"},   {120, 1, "tone: 1479 Hz 12 ms"},
      {126, 1, "tone: 5617 Hz 12 ms"}, {100, 300, "tone: 428 Hz 528 ms"}, {128, 2, "rest: 24 ms"},
      {200, 2, "rest: 24 ms"},         {-32768, 2, "rest: 24 ms"},
  };
  for (const Case& c : cases) {
    Rig r;
    r.Load(ProgramBuilder().Sound(C(1), {{C(c.code), C(c.note)}}).End());
    r.SetWord(7, 0x0002);  // pin 1 high and an input
    EXPECT_EQ(r.Exec(), "Sound 1,(" + std::to_string(c.note) + "," + std::to_string(c.code) + ",)");
    EXPECT_EQ(r.host.Lines(), (Lines{c.played})) << c.note;
    EXPECT_EQ(r.Word(7), 0x0202);  // an output now, the level untouched
  }
}

TEST(Sound, GroupsPlayInOrderAndShowNoteBeforeDuration) {
  Rig r;
  r.Load(ProgramBuilder().Sound(V("B0"), {{C(50), C(100)}, {C(10), C(0)}}).End());
  r.SetWord(0, 1);
  EXPECT_EQ(r.Exec(), "Sound B0,(100,50,0,10,)");
  EXPECT_EQ(r.host.Lines(), (Lines{"tone: 428 Hz 600 ms", "rest: 120 ms"}));
}

TEST(Pwm, ShowsTheVoltageAndLeavesThePinAnInput) {
  const std::pair<int, const char*> cases[] = {
      {128, "Pin3=2.51"}, {255, "Pin3=5.00"}, {51, "Pin3=1.00"}, {0, "Pin3=0.00"}, {-255, "Pin3=-5.00"}};
  for (const auto& [duty, shown] : cases) {
    Rig r;
    r.Load(ProgramBuilder().Pwm(C(3), C(duty), C(10)).End());
    r.SetWord(7, 0x0808);
    EXPECT_EQ(r.Preview(), "PWM 3," + std::to_string(duty) + ",10");
    EXPECT_EQ(r.host.LastPWMText(), shown);  // a preview already shows it
    r.host.ClearEvents();
    r.Exec();
    EXPECT_EQ(r.host.Lines(), (Lines{std::string("LastPWM: ") + shown}));
    EXPECT_EQ(r.Word(7), 0x0008);
  }
}

// Pot and PulsIn share the rules for the text of their box and of the prompt.
class TypedValue : public ::testing::TestWithParam<bool> {  // true: Pot, false: PulsIn
 protected:
  void SetUp() override {
    ProgramBuilder b;
    if (GetParam()) {
      b.Pot(C(3), C(100), V("B2"));
    } else {
      b.PulsIn(C(3), C(1), V("B2"));
    }
    r.Load(b.End());
    r.SetWord(1, 0x1111);
  }
  void Box(const std::string& text) { GetParam() ? r.host.SetPotText(text) : r.host.SetPulsInText(text); }
  std::string Prompt() const { return GetParam() ? "Pot value for pin 3" : "Enter 10uS pulse length for pin 3"; }
  Rig r;
};

TEST_P(TypedValue, BoxTextIsUsedWithoutAPrompt) {
  const std::pair<const char*, uint16_t> cases[] = {
      {"200", 0x11C8}, {" 12 ", 0x110C}, {"300", 0x112C}, {"-1", 0x11FF}, {"+5", 0x1105}, {"-32768", 0x1100}};
  for (const auto& [text, word] : cases) {
    r.SetWord(1, 0x1111);
    Box(text);
    r.m.JumpTo(19);
    r.Exec();
    EXPECT_EQ(r.Word(1), word) << '"' << text << '"';
  }
  EXPECT_EQ(r.host.Count(EventKind::Prompt), 0);
  EXPECT_EQ(r.host.Count(EventKind::Message), 0);
}

TEST_P(TypedValue, AnEmptyOrBlankBoxPrompts) {
  for (const char* box : {"", "   "}) {
    Box(box);
    r.host.QueueAnswer(" 42");
    r.m.JumpTo(19);
    r.host.ClearEvents();
    r.Exec();
    EXPECT_EQ(r.Word(1), 0x112A);
    EXPECT_EQ(r.host.Lines(), (Lines{"prompt: " + Prompt() + " -> \" 42\""}));
  }
}

TEST_P(TypedValue, CancelledOrBlankAnswersStoreNothingAndSayNothing) {
  for (std::optional<std::string> answer : {std::optional<std::string>{}, std::optional<std::string>{""},
                                            std::optional<std::string>{"  "}}) {
    r.host.QueueAnswer(answer);
    r.m.JumpTo(19);
    r.host.ClearEvents();
    r.Exec();
    EXPECT_EQ(r.Word(1), 0x1111);
    EXPECT_EQ(r.host.Count(EventKind::Message), 0);
    EXPECT_EQ(r.host.Count(EventKind::Prompt), 1);
  }
}

TEST_P(TypedValue, OtherTextIsRefusedWithAMessage) {
  for (const char* text : {"abc", "32768", "-32769", "1.5", "1 2", "0x10", "-", "99999999999999999999"}) {
    for (bool inBox : {true, false}) {
      Box(inBox ? text : "");
      if (!inBox) r.host.QueueAnswer(text);
      r.m.JumpTo(19);
      r.host.ClearEvents();
      r.Exec();
      EXPECT_EQ(r.Word(1), 0x1111) << text;
      EXPECT_EQ(r.host.Texts(EventKind::Message), (Lines{"Enter a whole number from -32768 to 32767"})) << text;
    }
  }
}

TEST_P(TypedValue, PinDirection) {
  r.SetWord(7, 0x0800);
  Box("1");
  r.Exec();
  EXPECT_EQ(r.Word(7), 0x0800 & (GetParam() ? 0xFFFF : 0x0000));  // Pot leaves it, PulsIn makes it an input
}

INSTANTIATE_TEST_SUITE_P(PotAndPulsIn, TypedValue, ::testing::Values(true, false),
                         [](const auto& p) { return p.param ? "Pot" : "PulsIn"; });

TEST(Pulsout, FlashesThePinForOneRedrawAndKeepsItsLevel) {
  Rig r;
  r.Load(ProgramBuilder().Pulsout(C(2), C(5)).End());
  EXPECT_EQ(r.Exec(), "Pulsout 2,5");
  ASSERT_EQ(r.host.Panels().size(), 2u);
  EXPECT_TRUE(r.host.Panels()[0].LedOn[2]);
  EXPECT_FALSE(r.host.Panels()[1].LedOn[2]);
  EXPECT_EQ(r.Word(7), 0x0400);
}

}  // namespace
}  // namespace qx9::test
