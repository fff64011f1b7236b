// The token reader on raw bytes (not builder output), so that a wrong bit order cannot hide on both sides.
#include <gtest/gtest.h>

#include "core/machine.h"
#include "support/fake_host.h"
#include "support/program_builder.h"

namespace qx9::test {
namespace {

class TokenReader : public ::testing::Test {
 protected:
  FakeHost host;
  Machine m{host};
  void At(int byte, int bit) {
    m.TokByte = static_cast<int16_t>(byte);
    m.TokBit = static_cast<int16_t>(bit);
  }
  std::pair<int, int> Pos() const { return {m.TokByte, m.TokBit}; }
};

TEST_F(TokenReader, ConstantOperandFromRawByte) {
  m.Eeprom[3] = 0xA6;  // flag 1, size code 01, value 0011, then bit 0
  At(3, 7);
  EXPECT_EQ(m.ReadOperand(), 3);
  EXPECT_EQ(m.OperandText, "3");
  EXPECT_EQ(Pos(), std::make_pair(3, 0));
  EXPECT_EQ(m.ReadBit(), 0);  // bit 0 of byte 3
  EXPECT_EQ(Pos(), std::make_pair(3, -1));
}

TEST_F(TokenReader, VariableOperandFromRawByte) {
  m.Eeprom[5] = 0x44;  // flag 0, code 100010 = B0
  m.Ram[0] = 0x12AB;
  At(5, 7);
  EXPECT_EQ(m.ReadOperand(), 0xAB);
  EXPECT_EQ(m.OperandText, "B0");
  EXPECT_EQ(Pos(), std::make_pair(5, 0));
}

TEST_F(TokenReader, ConstantsOfEverySize) {
  struct Case {
    std::vector<uint8_t> bytes;
    int16_t value;
    const char* text;
    std::pair<int, int> after;
  };
  const Case cases[] = {
      {{0x20}, 1, "1", {10, 4}},                      // 00 1
      {{0x7C}, 15, "15", {10, 1}},                    // 01 1111
      {{0x80, 0x40}, 1, "1", {11, 5}},                // 10 0000 0001
      {{0xFF, 0xFF, 0xC0}, -1, "-1", {12, 5}},        // 11 FFFF
      {{0xE7, 0x10, 0x00}, -25536, "-25536", {12, 5}},  // 11 9C40 (40000)
  };
  for (const Case& c : cases) {
    for (size_t i = 0; i < c.bytes.size(); ++i) m.Eeprom[10 + i] = c.bytes[i];
    At(10, 7);
    EXPECT_EQ(m.ReadConst(), c.value) << c.text;
    EXPECT_EQ(m.OperandText, c.text);
    EXPECT_EQ(Pos(), c.after) << c.text;
  }
}

TEST_F(TokenReader, FieldsCrossBytesMostSignificantFirst) {
  m.Eeprom[7] = 0x0A;  // low nibble 1010
  m.Eeprom[8] = 0x50;  // high nibble 0101
  At(7, 3);
  EXPECT_EQ(m.ReadBits(8), 0xA5);
  EXPECT_EQ(Pos(), std::make_pair(8, 3));
  m.Eeprom[9] = 0xFF;
  m.Eeprom[10] = 0xFF;
  At(9, 7);
  EXPECT_EQ(m.ReadBits(16), -1);
  EXPECT_EQ(m.ReadBits(0), 0);
}

TEST_F(TokenReader, LazyByteAdvance) {
  m.Eeprom[4] = 0x01;
  m.Eeprom[5] = 0x80;
  At(4, 0);
  EXPECT_EQ(m.ReadBit(), 1);
  EXPECT_EQ(Pos(), std::make_pair(4, -1));  // the byte is used up; the move comes with the next read
  EXPECT_EQ(m.LinearAddress(), 40);         // (4,-1) and (5,7) are the same point
  EXPECT_EQ(m.ReadBit(), 1);
  EXPECT_EQ(Pos(), std::make_pair(5, 6));
}

TEST_F(TokenReader, VariableCodeTable) {
  struct Case {
    int code;
    const char* name;
    VarRef ref;
  };
  const Case cases[] = {
      {0, "Pin0", {7, 1, 0}},   {3, "Pin3", {7, 1, 3}},    {8, "Dir0", {7, 1, 8}},    {15, "Dir7", {7, 1, 15}},
      {16, "Bit0", {0, 1, 0}},  {20, "Bit4", {0, 1, 4}},   {31, "Bit15", {0, 1, 15}}, {32, "Pins", {7, 255, 0}},
      {33, "Dirs", {7, 255, 8}}, {34, "B0", {0, 255, 0}},  {35, "B1", {0, 255, 8}},   {47, "B13", {6, 255, 8}},
      {48, "Port", {7, -1, 0}}, {50, "W0", {0, -1, 0}},    {51, "W0", {0, -1, 0}},    {62, "W6", {6, -1, 0}},
  };
  for (const Case& c : cases) {
    m.Eeprom[20] = static_cast<uint8_t>(c.code << 2);
    At(20, 7);
    m.OperandText = "stale";
    const VarRef r = m.VarName();
    EXPECT_EQ(m.OperandText, c.name) << c.code;
    EXPECT_EQ(r.Index, c.ref.Index) << c.code;
    EXPECT_EQ(r.Mask, c.ref.Mask) << c.code;
    EXPECT_EQ(r.Shift, c.ref.Shift) << c.code;
    EXPECT_EQ(VariableCode(c.name), c.code == 51 ? 50 : c.code);
  }
  for (int code : {49, 63}) {  // no variable: mask 0 and the text stays
    m.Eeprom[20] = static_cast<uint8_t>(code << 2);
    At(20, 7);
    m.OperandText = "7";
    const VarRef r = m.VarName();
    EXPECT_EQ(r.Mask, 0);
    EXPECT_EQ(m.OperandText, "7");
    m.Ram[0] = -1;
    EXPECT_EQ(m.ReadField(r), 0);
  }
}

TEST_F(TokenReader, PositionNumberings) {
  const std::pair<int, std::pair<int, int>> jumps[] = {
      {2047, {255, 0}}, {16, {2, 7}}, {19, {2, 4}}, {87, {10, 0}}, {0x1A3, {52, 4}}, {0, {0, 7}}};
  for (const auto& [address, pos] : jumps) {
    m.JumpTo(address);
    EXPECT_EQ(Pos(), pos) << address;
    EXPECT_EQ(m.LinearAddress(), address);
  }
  m.RestorePosition(87);
  EXPECT_EQ(Pos(), std::make_pair(10, 7));
  At(9, -1);
  EXPECT_EQ(m.SavePosition(), 87);  // 8 x 10 + 7
  EXPECT_EQ(Pos(), std::make_pair(10, 7));
  At(2, 4);
  EXPECT_EQ(m.SavePosition(), 20);
}

TEST_F(TokenReader, ReadsBeyondTheImageGiveZeroAndStayAtTheEnd) {
  m.Eeprom[255] = 0x01;
  At(255, 0);
  EXPECT_FALSE(m.AtEnd());
  EXPECT_EQ(m.ReadBits(16), static_cast<int16_t>(0x8000));  // bit 0 of byte 255, then fifteen zeros
  EXPECT_EQ(Pos(), std::make_pair(256, 7));
  EXPECT_TRUE(m.AtEnd());
  EXPECT_EQ(m.ReadOperand(), 0);  // flag 0, code 0: Pin0 of an empty port word
  EXPECT_EQ(Pos(), std::make_pair(256, 7));
  At(255, -1);
  EXPECT_TRUE(m.AtEnd());
}

}  // namespace
}  // namespace qx9::test
