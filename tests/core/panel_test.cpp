// Loading, what the panel shows, how typed word boxes are read back, and the input switches.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/rig.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

using Loader = ScratchDir;

TEST_F(Loader, TakesTheFirst256BytesAndRefusesWhatCannotBeAWholeImage) {
  auto file = [this](const std::string& name, size_t size) {  // byte i is i mod 251
    std::ofstream out(Path(name), std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(i % 251));
    return Path(name);
  };
  Rig r;
  r.m.Eeprom.fill(0x5A);
  for (const std::string& path : {file("short.obj", 255), file("empty.obj", 0), Path("missing.obj"), Path("")}) {
    EXPECT_FALSE(r.m.LoadObjectFile(path)) << path;
    EXPECT_EQ(std::count(r.m.Eeprom.begin(), r.m.Eeprom.end(), 0x5A), kImageSize) << path;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("missing.obj")));  // the loader never creates a file
  ASSERT_TRUE(r.m.LoadObjectFile(file("long.obj", 1000)));
  for (int i = 0; i < kImageSize; ++i) ASSERT_EQ(r.m.Eeprom[i], i % 251) << i;
}

// Words in hex of their 16-bit patterns; a switch is enabled only while its pin is an input.
TEST(Panel, ShowsWordsBytesLedsAndSwitches) {
  Rig r;
  r.m.Ram = {-1, -255, 0, 0, 0, 0, 0x00AB, -32767};
  r.m.RefreshPanel();
  const PanelView& v = r.host.Panels().back();
  EXPECT_EQ(v.WordText[1], "FF01");
  EXPECT_EQ(v.ByteText[1], "B2=01   B3=FF");
  EXPECT_EQ(v.ByteText[7], "Pins=01 Dirs=80");
  EXPECT_EQ(v.LedOn, (std::array<bool, 8>{true, false, false, false, false, false, false, false}));
  EXPECT_EQ(v.SwitchEnabled, (std::array<bool, 8>{true, true, true, true, true, true, true, false}));
}

TEST(Panel, WordBoxTextsReadAsHexAndOnlyTheLastEightDigitsCount) {
  const std::pair<const char*, int32_t> cases[] = {
      {"ffff", -1},        {"", 0}, {"12G4", 0x12}, {" 1 2", 0x12}, {"10000", 65536}, {"123456789", 0x23456789},
      {"1FFFFFFFF0", -16},
  };
  for (const auto& [text, entry] : cases) EXPECT_EQ(ParseWordBox(text), entry) << '"' << text << '"';
  Rig r;  // typed text takes effect at the next cycle, previews included
  r.Load(ProgramBuilder().Let(V("W1"), {{1, V("W0")}}).End());
  r.host.TypeWordBox(0, "10000");  // reads as 65536; the instruction sees its pattern 0
  r.host.TypeWordBox(2, "abcd");
  r.Exec();
  EXPECT_EQ(r.m.Ram[1], 0);
  EXPECT_EQ(r.Word(2), uint16_t{0xABCD});
  r.host.TypeWordBox(0, "0042");
  EXPECT_EQ(r.Preview(), "End");
  EXPECT_EQ(r.m.Ram[0], 0x42);
}

TEST(Switches, ClicksSetInputLevelsSeeTypedDirectionsAndSurviveRestarts) {
  Rig r;
  r.Load(ProgramBuilder().Low(C(2)).Input(C(2)).End());
  r.m.GInBtn_Click(3);
  EXPECT_EQ(r.m.Ram[7], 0x0008);
  r.m.GInBtn_Click(3);
  EXPECT_EQ(r.m.Ram[7], 0);
  r.host.TypeWordBox(7, "8100");  // pins 0 and 7 typed to outputs: the clicks must see it
  r.m.GInBtn_Click(0);            // an output pin: the switch moves, the level stays
  r.m.GInBtn_Click(1);
  EXPECT_EQ(r.Word(7), 0x8102);
  EXPECT_EQ(r.m.SwitchUp[0], true);
  r.SetWord(7, 0);
  r.m.GInBtn_Click(2);
  r.m.Step_Click();  // Low 2
  r.m.Step_Click();  // Input 2: the level the program wrote stays until the next click
  EXPECT_EQ(r.m.Ram[7], 0);
  r.m.Step_Click();  // End: message and restart; switches and the port word survive
  EXPECT_TRUE(r.m.SwitchUp[2]);
  r.m.GInBtn_Click(2);
  r.m.GInBtn_Click(2);
  EXPECT_EQ(r.m.Ram[7], 0x0004);
}

}  // namespace
}  // namespace qx9::test
