// What the panel shows, how typed word boxes are read back, and the input switches.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

TEST(PanelView, WordsAndBytes) {
  Rig r;
  r.m.Ram = {-1, -255, 0, 0, 0, 0, 0x00AB, -32767};
  r.m.InstrText = "Let B0=5";
  r.m.RefreshPanel();
  const PanelView& v = *r.host.LastPanel();
  EXPECT_EQ(v.WordText[0], "FFFF");
  EXPECT_EQ(v.ByteText[0], "B0=FF   B1=FF");
  EXPECT_EQ(v.ByteText[1], "B2=01   B3=FF");
  EXPECT_EQ(v.WordText[6], "00AB");
  EXPECT_EQ(v.ByteText[5], "B10=00  B11=00");
  EXPECT_EQ(v.ByteText[6], "B12=AB  B13=00");
  EXPECT_EQ(v.WordText[7], "8001");
  EXPECT_EQ(v.ByteText[7], "Pins=01 Dirs=80");
  EXPECT_EQ(v.LedOn, (std::array<bool, 8>{true, false, false, false, false, false, false, false}));
  EXPECT_EQ(v.SwitchEnabled, (std::array<bool, 8>{true, true, true, true, true, true, true, false}));
  EXPECT_EQ(v.StateText, "Let B0=5");
  EXPECT_EQ(r.host.WordBox(7), "8001");  // a redraw rewrites the boxes
}

TEST(PanelView, WordBoxTextsReadAsHex) {
  const std::pair<const char*, int32_t> cases[] = {
      {"ffff", -1},          {"7FFF", 32767},       {"8000", -32768},    {"", 0},
      {"12G4", 0x12},        {" 1 2", 0x12},        {"\t00ab\n", 0xAB},  {"10000", 65536},
      {"zz", 0},             {"FFFFFFFF", -1},      {"7FFFFFFF", INT32_MAX},
      {"123456789", 0x23456789},  // more than eight digits: the last eight count
      {"1FFFFFFFF0", -16},
  };
  for (const auto& [text, entry] : cases) EXPECT_EQ(ParseWordBox(text), entry) << '"' << text << '"';
}

TEST(PanelView, TypedWordTakesEffectAtTheNextCycle) {
  Rig r;
  r.Load(ProgramBuilder().Let(V("W1"), {{1, V("W0")}}).End());
  r.host.TypeWordBox(0, "10000");  // reads as 65536; the word is its pattern 0
  r.host.TypeWordBox(2, "abcd");
  r.Exec();
  EXPECT_EQ(r.m.Ram[1], 0);
  EXPECT_EQ(r.Word(2), 0xABCD);
  EXPECT_EQ(r.host.WordBox(0), "0000");
  r.host.TypeWordBox(0, "0042");
  EXPECT_EQ(r.Preview(), "End");
  EXPECT_EQ(r.m.Ram[0], 0x42);  // previews read the boxes too
}

class Switches : public ::testing::Test {
 protected:
  void SetUp() override { r.Load(ProgramBuilder().End()); }
  Rig r;
};

TEST_F(Switches, ClickSetsAndClearsAnInputPinsLevel) {
  r.m.GInBtn_Click(3);
  EXPECT_TRUE(r.m.SwitchUp[3]);
  EXPECT_EQ(r.m.Ram[7], 0x0008);
  const PanelView& up = *r.host.LastPanel();
  EXPECT_EQ(up.WordText[7], "0008");
  EXPECT_EQ(up.ByteText[7], "Pins=08 Dirs=00");
  EXPECT_TRUE(up.LedOn[3]);
  EXPECT_TRUE(up.SwitchUp[3]);
  r.m.GInBtn_Click(3);
  EXPECT_FALSE(r.m.SwitchUp[3]);
  EXPECT_EQ(r.m.Ram[7], 0);
  EXPECT_FALSE(r.host.LastPanel()->LedOn[3]);
}

TEST_F(Switches, ClickOnAnOutputPinMovesTheSwitchOnly) {
  r.SetWord(7, 0x8000);  // pin 7 an output at level 0
  r.m.GInBtn_Click(7);
  EXPECT_TRUE(r.m.SwitchUp[7]);
  EXPECT_EQ(r.Word(7), 0x8000);
  EXPECT_FALSE(r.host.LastPanel()->SwitchEnabled[7]);
}

TEST_F(Switches, ClickKeepsTextTypedIntoAWordBox) {
  r.host.TypeWordBox(0, "1234");
  r.host.TypeWordBox(7, "0100");  // pin 0 typed to an output: the click must see it
  r.m.GInBtn_Click(0);
  r.m.GInBtn_Click(1);
  EXPECT_EQ(r.Word(0), 0x1234);
  EXPECT_EQ(r.host.WordBox(0), "1234");
  EXPECT_EQ(r.Word(7), 0x0102);
  EXPECT_EQ(r.m.InstrText, "End");  // a click executes nothing
}

TEST_F(Switches, PositionsAndLevelsSurviveARestart) {
  r.m.GInBtn_Click(2);
  r.m.Step_Click();  // End: message and restart
  EXPECT_EQ(r.host.Texts(EventKind::Message), (std::vector<std::string>{"Program reached end -- Restarting"}));
  EXPECT_TRUE(r.m.SwitchUp[2]);
  EXPECT_EQ(r.m.Ram[7], 0x0004);
}

TEST_F(Switches, LevelWrittenByTheProgramStaysUntilTheNextClick) {
  // Switch 2 up, then Low 2 and Input 2: Pin2 reads 0 until a click writes the switch's new position.
  Rig p;
  p.Load(ProgramBuilder().Low(C(2)).Input(C(2)).End());
  p.m.GInBtn_Click(2);
  p.m.Step_Click();
  p.m.Step_Click();
  EXPECT_EQ(p.m.Ram[7], 0);
  EXPECT_TRUE(p.m.SwitchUp[2]);
  p.m.GInBtn_Click(2);  // moves down, writes 0
  EXPECT_EQ(p.m.Ram[7], 0);
  p.m.GInBtn_Click(2);
  EXPECT_EQ(p.m.Ram[7], 0x0004);
}

}  // namespace
}  // namespace qx9::test
