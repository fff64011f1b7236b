// Read, Write, Random, Goto, Debug.
#include <gtest/gtest.h>

#include <set>

#include "support/rig.h"

namespace qx9::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ReadWrite, LocationsCountDownFromTheEndOfTheImage) {
  Rig r;
  r.Load(ProgramBuilder().Read(C(0), V("B2")).Read(C(255), V("B3")).End().Data(0, 0x12).Byte(0, 0x34));
  EXPECT_EQ(r.Exec(), "Read 0,B2");
  EXPECT_EQ(r.Exec(), "Read 255,B3");
  EXPECT_EQ(r.Word(1), 0x3412);
}

TEST(ReadWrite, WriteThenReadGivesTheValueBack) {
  Rig r;
  r.Load(ProgramBuilder()
             .Write(C(5), V("B3"))
             .Read(C(5), V("B4"))
             .Write(C(5), V("W1"))
             .Read(C(5), V("B0"))
             .Read(C(5), V("W2"))
             .End());
  r.SetWord(1, 0x0700);  // B3 = 7
  EXPECT_EQ(r.Exec(), "Write 5,B3");
  EXPECT_EQ(r.m.Eeprom[250], 7);
  r.Exec();
  EXPECT_EQ(r.Word(2), 7);
  r.SetWord(1, 1000);
  r.Exec();
  r.Exec();
  EXPECT_EQ(r.Word(0), 232);  // 1000 cut to a byte
  r.Exec();
  EXPECT_EQ(r.Word(2), 1000);  // the entry holds the whole word
}

TEST(ReadWrite, LocationsOutsideTheImageUseTheirLowEightBits) {
  Rig r;
  r.Load(ProgramBuilder().Read(V("W0"), V("W1")).Write(V("W0"), V("W2")).End().Data(0, 0x12).Byte(0, 0x34));
  const std::pair<int32_t, int> cases[] = {{256, 255}, {-1, 0}, {-256, 255}, {261, 250}, {32767, 0}};
  for (const auto& [location, entry] : cases) {
    r.m.JumpTo(19);
    r.SetWord(0, location);
    r.SetWord(2, -2);
    r.Exec();
    EXPECT_EQ(r.m.Ram[1], r.m.Eeprom[entry]) << location;
    r.Exec();
    EXPECT_EQ(r.m.Eeprom[entry], -2) << location;
    r.m.Eeprom[entry] = static_cast<int16_t>(entry == 0 ? 0x34 : entry == 255 ? 0x12 : 0);
  }
}

TEST(Random, StaysInsideItsFieldAndLeavesTheRestOfTheWord) {
  Rig r;
  r.Load(ProgramBuilder().Random(V("B1")).Random(V("Bit0")).End());
  EXPECT_EQ(r.Preview(), "Random B1");
  std::set<int> highBytes;
  for (int seed = 0; seed < 256; ++seed) {
    r.m.JumpTo(19);
    r.SetWord(0, (seed << 8) | 0x55);
    r.Exec();  // Random B1
    const uint16_t afterByte = r.Word(0);
    EXPECT_EQ(afterByte & 0xFF, 0x55);
    highBytes.insert(afterByte >> 8);
    r.Exec();  // Random Bit0
    EXPECT_EQ(r.Word(0) & 0xFFFE, afterByte & 0xFFFE);
  }
  EXPECT_GT(highBytes.size(), 50u);
}

TEST(Random, AWordVisitsEveryValueBeforeRepeating) {
  Rig r;
  r.Load(ProgramBuilder().Random(V("W0")).End());
  EXPECT_EQ(r.Preview(), "Random W0");
  std::vector<bool> seen(65536, false);
  const uint16_t start = r.Word(0);
  for (int i = 0; i < 65536; ++i) {
    r.m.JumpTo(19);
    r.Exec();
    const uint16_t w = r.Word(0);
    ASSERT_FALSE(seen[w]) << "repeated after " << i << " draws";
    seen[w] = true;
  }
  EXPECT_EQ(r.Word(0), start);
}

TEST(Goto, JumpsToTheLinearAddress) {
  const std::tuple<int, std::pair<int, int>, const char*> cases[] = {
      {0x1A3, {52, 4}, "Goto 1A3"}, {16, {2, 7}, "Goto 10"}, {0, {0, 7}, "Goto 0"}, {2047, {255, 0}, "Goto 7FF"}};
  for (const auto& [address, pos, text] : cases) {
    Rig r;
    r.Load(ProgramBuilder().Goto(address));
    EXPECT_EQ(r.Exec(), text);
    EXPECT_EQ(r.Pos(), pos);
  }
}

TEST(Debug, TellsOnlyAUserWhoIsStepping) {
  Rig r;
  r.Load(ProgramBuilder().Debug(0x7FF).Debug().End());
  EXPECT_EQ(r.Preview(), "Debug");
  EXPECT_EQ(r.host.Count(EventKind::Message), 0);
  r.m.Step_Click();
  EXPECT_EQ(r.host.Texts(EventKind::Message), (Lines{"Debug Not Implemented"}));
  r.host.ClearEvents();
  r.host.PresetTimer(true);
  r.Exec();
  EXPECT_EQ(r.host.Count(EventKind::Message), 0);
  EXPECT_FALSE(r.m.RestartPending);
  EXPECT_EQ(r.Preview(), "End");  // the unused field was consumed
}

}  // namespace
}  // namespace qx9::test
