// The token reader takes a field in one go where it lies inside the image and bit by bit elsewhere;
// these tests hold both paths to the plain rule at every position and width: bits most significant
// first, reads past the end give 0 and leave the position at the end, a used-up byte stays current.
#include <gtest/gtest.h>

#include <random>

#include "core/machine.h"
#include "support/fake_host.h"

namespace qx9 {
namespace {

struct Position {
  int16_t Byte;
  int16_t Bit;
  bool operator==(const Position&) const = default;
};

// The rule, one bit at a time.
int32_t ReferenceRead(const std::array<int16_t, kImageSize>& image, Position& p, int n) {
  int32_t acc = 0;
  for (int i = 0; i < n; ++i) {
    if (p.Bit < 0) {
      ++p.Byte;
      p.Bit = 7;
    }
    int bit = 0;
    if (p.Byte >= kImageSize) {
      p = {kImageSize, 7};
    } else {
      bit = (image[p.Byte] >> p.Bit) & 1;
      --p.Bit;
    }
    acc = 2 * acc + bit;
  }
  return acc;
}

TEST(TokenReaderFields, EveryPositionAndWidthReadsAsBitByBit) {
  test::FakeHost host;
  Machine m(host);
  std::mt19937 rng(7);
  for (int16_t& entry : m.Eeprom) entry = static_cast<int16_t>(rng() & 0xFF);
  m.Eeprom[10] = -3;   // Write may store any 16-bit value; only bits 0..7 are read
  m.Eeprom[255] = 0x1A5;
  for (int byte = 0; byte <= kImageSize; ++byte) {
    for (int bit = -1; bit <= 7; ++bit) {
      if (byte == kImageSize && bit != 7) continue;
      for (int n = 0; n <= 16; ++n) {
        Position expected{static_cast<int16_t>(byte), static_cast<int16_t>(bit)};
        const int32_t value = ReferenceRead(m.Eeprom, expected, n);
        m.TokByte = static_cast<int16_t>(byte);
        m.TokBit = static_cast<int16_t>(bit);
        ASSERT_EQ(m.ReadBits(n), WrapWord(value)) << "byte " << byte << " bit " << bit << " width " << n;
        ASSERT_EQ((Position{m.TokByte, m.TokBit}), expected) << "byte " << byte << " bit " << bit << " width " << n;
      }
    }
  }
}

TEST(TokenReaderFields, ObserverSeesTheWholeFieldOnBothPaths) {
  struct Log : TokenObserver {
    std::vector<std::array<int, 3>> Fields;
    void OnField(int address, int width, int value) override { Fields.push_back({address, width, value}); }
  } log;
  test::FakeHost host;
  Machine m(host);
  m.Eeprom[254] = 0xFF;
  m.Eeprom[255] = 0x81;
  m.SetTokenObserver(&log);
  m.JumpTo(2040);  // bit 7 of byte 255: 8 bits inside, then 8 past the end
  m.ReadBits(4);
  m.ReadBits(12);
  m.JumpTo(2036);
  m.ReadBits(8);
  ASSERT_EQ(log.Fields.size(), 3u);
  EXPECT_EQ(log.Fields[0], (std::array<int, 3>{2040, 4, 0x8}));
  EXPECT_EQ(log.Fields[1], (std::array<int, 3>{2044, 12, 0x100}));
  EXPECT_EQ(log.Fields[2], (std::array<int, 3>{2036, 8, 0xF8}));
}

}  // namespace
}  // namespace qx9
