// Builder against hand-computed bytes, the fast reader against bit by bit, and the fields of a word.
#include <gtest/gtest.h>

#include <random>

#include "support/rig.h"

namespace qx9::test {
namespace {

std::vector<uint8_t> Head(const std::array<uint8_t, 256>& image, size_t n) { return {&image[2], &image[2 + n]}; }

TEST(Builder, WritesHandComputedBytes) {
  const std::pair<ProgramBuilder, std::vector<uint8_t>> cases[] = {
      {ProgramBuilder().High(C(3)).End(), {0x00, 0xA7, 0xF0}},  // 000 00000 | 1 01 0011 1 | 1111 0000
      // Let B0=5: operand 5 (1 01 0101), target B0 (100010), operator 1 (0001), continuation 0.
      {ProgramBuilder().Let(V("B0"), {{1, C(5)}}), {0x15, 0xAB, 0x10, 0x80}},
      {ProgramBuilder().Goto(0x1A3), {0x19, 0x34, 0x60}},            // 000 11001 | 001 1010 0011
      {ProgramBuilder().Pause(C(40000)), {0x0F, 0xF3, 0x88, 0x00}},  // 1 11 1001110001000000
      {ProgramBuilder().High(C(3, 2)), {0x00, 0xC0, 0x60}},          // forced size code 2
      // right 5, variable B0, continuation 0, conjunction 0 (OR), compare 1, target 26
      {ProgramBuilder().If({{V("B0"), 1, C(5), false}}, 26), {0x18, 0xAB, 0x10, 0x40, 0xD0}},
      // step 1 (1 00 1), W1 (110100), up 1, A=3 (1 01 0011), B=0 (1 00 0), target 0
      {ProgramBuilder().Next(C(1), V("W1"), true, C(3), C(0), 0), {0x17, 0x9D, 0x34, 0xE0, 0x00}},
      // labels forward and backward: Goto 51 at 19, Goto 19 at 35
      {ProgramBuilder().Label("top").Goto("later").Goto("top").Label("later").End(), {0x19, 0x06, 0x79, 0x02}},
  };
  for (const auto& [program, bytes] : cases) EXPECT_EQ(Head(program.Build(), bytes.size()), bytes);
}

class TokenReader : public ::testing::Test {
 protected:
  FakeHost host;
  Machine m{host};
  void At(int byte, int bit) {
    m.TokByte = static_cast<int16_t>(byte);
    m.TokBit = static_cast<int16_t>(bit);
  }
  std::pair<int, int> Pos() const { return {m.TokByte, m.TokBit}; }
  // The plain rule, one bit at a time from (byte, bit), zeros beyond the image; moves pos past the field.
  int BitByBit(std::pair<int, int>& pos, int n) const {
    auto& [b, k] = pos;
    int value = 0;
    for (int i = 0; i < n; ++i) {
      if (k < 0) {
        ++b;
        k = 7;
      }
      const bool inside = b >= 0 && b < kImageSize;
      value = 2 * value + (inside ? (m.Eeprom[b] >> k) & 1 : 0);
      --k;
      if (!inside) {
        b = kImageSize;
        k = 7;
      }
    }
    return value;
  }
};

// Both paths of the field reader against the plain rule, at every position and width, byte -1 included.
TEST_F(TokenReader, FastFieldsReadAsBitByBit) {
  std::mt19937 rng(7);
  for (int16_t& entry : m.Eeprom) entry = static_cast<int16_t>(rng() & 0xFF);
  m.Eeprom[10] = -3;  // Write may store any 16-bit value; only bits 0..7 are read
  m.Eeprom[255] = 0x1A5;
  for (int byte = -1; byte <= kImageSize; ++byte) {
    for (int bit = -1; bit <= 7; ++bit) {
      if (byte == kImageSize && bit != 7) continue;
      for (int n = 0; n <= 16; ++n) {
        std::pair<int, int> pos = {byte, bit};
        const int value = BitByBit(pos, n);
        At(byte, bit);
        ASSERT_EQ(m.ReadBits(n), WrapWord(value)) << byte << "," << bit << " width " << n;
        ASSERT_EQ(Pos(), pos) << byte << "," << bit << " width " << n;
      }
    }
  }
}

// An operand taken whole (no observer) as field by field, at every position, the image's end included.
TEST_F(TokenReader, WholeOperandsReadAsFieldByField) {
  struct Ignore : TokenObserver {
    void OnField(int, int, int) override {}
  } fieldByField;
  std::mt19937 rng(11);
  for (int16_t& entry : m.Eeprom) entry = static_cast<int16_t>(rng() & 0xFF);
  m.Eeprom[40] = 0x1F0;  // bits above the low eight are never read
  m.Ram = {0x1234, -2, 77, 0x8001, 5, -32768, 300, 0x0F0F};
  for (int byte = -1; byte <= kImageSize; ++byte) {
    for (int bit = -1; bit <= 8; ++bit) {
      SCOPED_TRACE(testing::Message() << "byte " << byte << ", bit " << bit);
      m.OperandText = "?";
      m.SetTokenObserver(&fieldByField);
      At(byte, bit);
      const int16_t expected = m.ReadOperand();
      const std::pair<int, int> expectedPos = Pos();
      const std::string expectedText = m.OperandText;
      m.OperandText = "?";
      m.SetTokenObserver(nullptr);
      At(byte, bit);
      EXPECT_EQ(m.ReadOperand(), expected);
      EXPECT_EQ(Pos(), expectedPos);
      EXPECT_EQ(m.OperandText, expectedText);
    }
  }
}

TEST(Words, SetAndReadFields) {
  FakeHost host;
  Machine m(host);
  const std::array<int32_t, 6> sets[] = {
      // word before, index, value, mask, shift, word after
      {0, 7, 1, 1, 15, -32768},       // Dir7 on an empty port word: pattern 0x8000
      {1, 0, 128, 255, 8, -32767},    // B1 = 0x80 into W0 = 1: pattern 0x8001
      {0x12345, 0, 1, 1, 0, 0x2345},  // an entry loaded beyond 16 bits ends as its pattern
  };                                  // fields outside the word: the instruction rows of High and Toggle
  for (const auto& [before, index, value, mask, shift, after] : sets) {
    m.Ram[index] = before;
    m.SetVal(static_cast<int16_t>(index), static_cast<int16_t>(value), mask, static_cast<int16_t>(shift));
    EXPECT_EQ(m.Ram[index], after) << "value " << value << " mask " << mask << " shift " << shift;
  }
  m.Ram[0] = 0x12345;  // as a word box may load it
  EXPECT_EQ(m.ReadField(0, 255, 8), 0x23);
  m.Ram[0] = -32767;  // 0x8001: fields read the 16-bit pattern whatever the sign; none outside the word
  const std::array<int, 3> reads[] = {{255, 8, 128}, {1, 15, 1}, {1, 1, 0}, {-1, 0, -32767},
                                      {1, 16, 0},    {1, -1, 0}, {1, 31, 0}};
  for (const auto& [mask, shift, value] : reads) EXPECT_EQ(m.ReadField(0, mask, static_cast<int16_t>(shift)), value);
}

}  // namespace
}  // namespace qx9::test
