// Sound at the edges the other timing tests leave out: the duration code cut to 8 bits from any
// 16-bit value, the last notes inside and outside the band a speaker can play, and tones while running.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

using Lines = std::vector<std::string>;

std::string Played(int note, int code, bool running = false) {
  Rig r;
  r.Load(ProgramBuilder().Sound(V("W0"), {{V("W1"), V("W2")}}).End());
  r.SetWord(0, 1);
  r.SetWord(1, static_cast<uint16_t>(code));
  r.SetWord(2, static_cast<uint16_t>(note));
  r.host.PresetTimer(running);
  r.Exec();
  const Lines lines = r.host.Lines();
  return lines.size() == 1 ? lines[0] : "(" + std::to_string(lines.size()) + " events)";
}

TEST(SoundEdges, DurationCodeKeepsItsLowEightBits) {
  EXPECT_EQ(Played(100, 0), "tone: 428 Hz 0 ms");
  EXPECT_EQ(Played(100, 255), "tone: 428 Hz 3060 ms");
  EXPECT_EQ(Played(100, 256), "tone: 428 Hz 0 ms");
  EXPECT_EQ(Played(100, 0xFFFF), "tone: 428 Hz 3060 ms");  // -1
  EXPECT_EQ(Played(100, 0x8001), "tone: 428 Hz 12 ms");    // -32767
  EXPECT_EQ(Played(0, 0x1234), "rest: 624 ms");            // 0x34 = 52 units, a rest alike
}

// Negative notes fall towards 0 Hz: -197 is the last at or above 37 Hz and sounds; -198 gives 36 Hz
// and rests. Note 128 gives 83333 Hz, far above the band, and rests.
TEST(SoundEdges, TheBandOfPlayableNotes) {
  EXPECT_EQ(NoteFrequency(-197), 37);
  EXPECT_EQ(NoteFrequency(-198), 36);
  EXPECT_EQ(Played(-197, 1), "tone: 37 Hz 12 ms");
  EXPECT_EQ(Played(-198, 1), "rest: 12 ms");
  EXPECT_EQ(Played(128, 1), "rest: 12 ms");
  EXPECT_EQ(Played(-32768, 1), "rest: 12 ms");
}

TEST(SoundEdges, TonesPlayWhileRunningAsWhileStepping) {
  EXPECT_EQ(Played(127, 1, true), "tone: 10526 Hz 12 ms");
  EXPECT_EQ(Played(0, 10, true), "rest: 120 ms");
}

}  // namespace
}  // namespace qx9::test
