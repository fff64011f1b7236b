// The builder against hand-computed bytes, so that it cannot share a wrong bit order with the reader.
#include "support/program_builder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace qx9::test {
namespace {

// The bytes from index 2 on, as many as given.
std::vector<uint8_t> Head(const ProgramBuilder& b, size_t count) {
  const auto image = b.Build();
  return {image.begin() + 2, image.begin() + 2 + static_cast<long>(count)};
}

TEST(ProgramBuilder, StartsAfterTheThreeSkippedBits) {
  ProgramBuilder b;
  EXPECT_EQ(b.Here(), 19);
  EXPECT_EQ(b.Build(), (std::array<uint8_t, 256>{}));
}

TEST(ProgramBuilder, HighThreeThenEndMatchesTheKnownBytes) {
  // 000 00000 | 1 01 0011 1 | 1111 0000
  EXPECT_EQ(Head(ProgramBuilder().High(C(3)).End(), 3), (std::vector<uint8_t>{0x00, 0xA7, 0xF0}));
}

TEST(ProgramBuilder, HandComputedInstructions) {
  struct Case {
    const char* name;
    ProgramBuilder program;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      // 000 10101 | 1 01 0101 1 | 00010 000 | 1 0 000000
      // Let B0=5: operand 5 (1 01 0101), target B0 = 34 (100010), operator 1 (0001), continuation 0.
      {"Let B0=5", ProgramBuilder().Let(V("B0"), {{1, C(5)}}), {0x15, 0xAB, 0x10, 0x80}},
      // 000 11001 | 00110100 | 011 (Goto 0x1A3 = 001 1010 0011)
      {"Goto 1A3", ProgramBuilder().Goto(0x1A3), {0x19, 0x34, 0x60}},
      // 000 01110 | 0000 0000 | 0101111 0 (Gosub, unused 0000, target 0x2F = 000 0010 1111)
      {"Gosub 2F", ProgramBuilder().Gosub(0x2F), {0x0E, 0x00, 0x5E}},
      // Pause 40000: 000 01111 | 1 11 10011 | 10001000 | 000 (0x9C40 = 1001 1100 0100 0000)
      {"Pause 40000", ProgramBuilder().Pause(C(40000)), {0x0F, 0xF3, 0x88, 0x00}},
      // Pause -1 (16-bit pattern FFFF): 000 01111 | 1 11 11111 | 11111111 | 111
      {"Pause -1", ProgramBuilder().Pause(C(-1)), {0x0F, 0xFF, 0xFF, 0xE0}},
      // Constant 1 with size code 0: 000 00000 | 1 00 1 ....
      {"High 1", ProgramBuilder().High(C(1)), {0x00, 0x90}},
      // Forced size code 2 for a small value: 000 00000 | 1 10 00000 | 011 .....
      {"High 3 (8-bit)", ProgramBuilder().High(C(3, 2)), {0x00, 0xC0, 0x60}},
      // If B0<5 Then 1A, one OR condition: 000 11000 | 1 01 0101 1 | 00010 0 0 0 | 01 000000 11010
      // right 5, variable B0 (100010), continuation 0, conjunction 0 (OR), compare 1 (001), target 26.
      {"If B0<5 Then 1A", ProgramBuilder().If({{V("B0"), 1, C(5), false}}, 26), {0x18, 0xAB, 0x10, 0x40, 0xD0}},
      // Next: step 1 (1 00 1), W1 (110100), up 1, A=3 (1 01 0011), B=0 (1 00 0), target 0
      // 000 10111 | 1001 1101 | 00 1 10100 | 11 1000 00 | 000000000 ...
      {"Next", ProgramBuilder().Next(C(1), V("W1"), true, C(3), C(0), 0), {0x17, 0x9D, 0x34, 0xE0, 0x00}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Head(c.program, c.bytes.size()), c.bytes) << c.name;
  }
}

TEST(ProgramBuilder, VariableCodes) {
  const std::vector<std::pair<const char*, int>> codes = {
      {"Pin0", 0}, {"Pin7", 7},   {"Dir0", 8},  {"Dir7", 15}, {"Bit0", 16}, {"Bit15", 31}, {"Pins", 32},
      {"Dirs", 33}, {"B0", 34},   {"B1", 35},   {"B13", 47},  {"Port", 48}, {"W0", 50},    {"W6", 62},
      {"w3", 56},   {"PORT", 48},
  };
  for (const auto& [name, code] : codes) EXPECT_EQ(VariableCode(name), code) << name;
  for (const char* bad : {"B14", "W7", "Pin8", "Bit16", "X", "", "B01", "Pin"}) {
    EXPECT_THROW(VariableCode(bad), std::invalid_argument) << bad;
  }
}

TEST(ProgramBuilder, LabelsResolveForwardAndBackward) {
  ProgramBuilder b;
  b.Label("top").Goto("later").Goto("top").Label("later").End();
  const auto image = b.Build();
  // First Goto at 19: opcode 11001, then the address of "later" = 19 + 16 + 16 = 51 = 000 0011 0011.
  EXPECT_EQ(b.AddressOf("later"), 51);
  EXPECT_EQ(b.AddressOf("top"), 19);
  // bits 16..: 000 11001 | 00000110 | 011 11001 | 00000010 | 011 ...
  EXPECT_EQ(image[2], 0x19);
  EXPECT_EQ(image[3], 0x06);
  EXPECT_EQ(image[4], 0x79);
  EXPECT_EQ(image[5], 0x02);
}

TEST(ProgramBuilder, RefusesBrokenPrograms) {
  EXPECT_THROW(ProgramBuilder().Goto("nowhere").Build(), std::logic_error);
  EXPECT_THROW(ProgramBuilder().Label("a").End().Label("a").Build(), std::logic_error);
  EXPECT_THROW(ProgramBuilder().Goto(2048), std::logic_error);
  EXPECT_THROW(ProgramBuilder().High(C(3)).Byte(2, 1).Build(), std::logic_error);
  ProgramBuilder longProgram;
  for (int i = 0; i < 300; ++i) longProgram.End();  // 1500 bits plus 19 fit
  EXPECT_NO_THROW(longProgram.Build());
  for (int i = 0; i < 120; ++i) longProgram.End();  // 2100 bits do not
  EXPECT_THROW(longProgram.Build(), std::logic_error);
}

TEST(ProgramBuilder, DataLocationsCountDownFromTheTop) {
  const auto image = ProgramBuilder().End().Data(0, 0x12).Data(5, 7).Byte(0, 0xAA).Build();
  EXPECT_EQ(image[255], 0x12);
  EXPECT_EQ(image[250], 7);
  EXPECT_EQ(image[0], 0xAA);
}

}  // namespace
}  // namespace qx9::test
