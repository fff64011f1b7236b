// Words and fields: WrapWord, SetVal and the field read that every instruction relies on.
#include <gtest/gtest.h>

#include "core/machine.h"
#include "support/fake_host.h"

namespace qx9::test {
namespace {

TEST(WrapWord, ReducesModulo65536ToTheSignedRange) {
  const std::pair<int32_t, int16_t> cases[] = {
      {0, 0},           {32767, 32767},   {32768, -32768},      {65535, -1},        {65536, 0},
      {-1, -1},         {-32768, -32768}, {-32769, 32767},      {98304, -32768},    {1000000, 16960},
      {INT32_MIN, 0},   {INT32_MAX, -1},  {-65536, 0},
  };
  for (const auto& [x, wrapped] : cases) EXPECT_EQ(WrapWord(x), wrapped) << x;
}

class Words : public ::testing::Test {
 protected:
  FakeHost host;
  Machine m{host};
};

TEST_F(Words, SetValWritesOneFieldAndHoldsTheSignedReading) {
  struct Case {
    int32_t before;
    int16_t index, value;
    int32_t mask;
    int16_t shift;
    int32_t after;
  };
  const Case cases[] = {
      {0, 7, 1, 1, 15, -32768},          // Dir7 on an empty port word: pattern 0x8000
      {1, 0, 128, 255, 8, -32767},       // B1 = 0x80 into W0 = 1: pattern 0x8001
      {0x1200, 0, -1, 255, 0, 0x12FF},   // all bits of a byte from -1
      {0x12FF, 0, 256, 255, 0, 0x1200},  // 256 has no bits in a byte
      {0x1234, 0, -1, -1, 0, -1},        // a whole word
      {0x0F0F, 3, 0x1234, 0, 0, 0x0F0F}, // mask 0 (codes 49 and 63) changes nothing
      {0x12345, 0, 1, 1, 0, 0x2345},     // an entry loaded beyond 16 bits ends as its pattern
  };
  for (const Case& c : cases) {
    m.Ram[c.index] = c.before;
    m.SetVal(c.index, c.value, c.mask, c.shift);
    EXPECT_EQ(m.Ram[c.index], c.after) << "value " << c.value << " mask " << c.mask << " shift " << c.shift;
  }
}

TEST_F(Words, FieldsReadTheSixteenBitPatternWhateverTheSign) {
  m.Ram[0] = -32767;  // 0x8001
  EXPECT_EQ(m.ReadField(0, 255, 8), 128);  // B1
  EXPECT_EQ(m.ReadField(0, 255, 0), 1);    // B0
  EXPECT_EQ(m.ReadField(0, 1, 15), 1);     // Bit15
  EXPECT_EQ(m.ReadField(0, 1, 1), 0);      // Bit1
  EXPECT_EQ(m.ReadField(0, -1, 0), -32767);
  m.Ram[7] = 0x12345;  // as a word box may load it
  EXPECT_EQ(m.ReadField(7, -1, 0), 0x2345);
  EXPECT_EQ(m.ReadField(7, 255, 8), 0x23);
}

TEST_F(Words, FieldsOutsideTheWordNeitherChangeNorRead) {
  for (int16_t shift : {-1, -8, 16, 23, 31, 32, -32761}) {
    m.Ram[7] = 0x5AA5;
    m.SetVal(7, 1, 1, shift);
    EXPECT_EQ(m.Ram[7], 0x5AA5) << shift;
    m.Ram[7] = -1;
    EXPECT_EQ(m.ReadField(7, 1, shift), 0) << shift;
  }
}

TEST_F(Words, SetValDoesNothingWhileDecodingOnly) {
  m.Ram[2] = 77;
  m.ListOnly = true;
  m.SetVal(2, 5, -1, 0);
  EXPECT_EQ(m.Ram[2], 77);
}

}  // namespace
}  // namespace qx9::test
