// Let: all sixteen operator codes, the text of the chain, and the cut to the target's width after
// every step.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

struct LetCase {
  const char* text;
  Operand target;
  std::vector<LetStep> steps;
  int wordIndex;
  int32_t before;
  uint16_t after;
};

void Check(const LetCase& c) {
  Rig r;
  r.Load(ProgramBuilder().Let(c.target, c.steps).End());
  r.SetWord(c.wordIndex, c.before);
  r.SetWord(2, 10);  // B4, used as an operand
  EXPECT_EQ(r.Preview(), c.text);
  EXPECT_EQ(r.Exec(), c.text);
  EXPECT_EQ(r.Word(c.wordIndex), c.after) << c.text;
  EXPECT_EQ(r.host.Count(EventKind::Message), 0) << c.text;
  EXPECT_EQ(r.Preview(), "End") << c.text;  // the whole chain was consumed
}

TEST(Let, OperatorsOnWords) {
  const LetCase cases[] = {
      {"Let W0=5", V("W0"), {{1, C(5)}}, 0, 0x1234, 5},
      {"Let W1=W1-1", V("W1"), {{2, C(1)}}, 1, 0, 0xFFFF},
      {"Let W0=W0+1", V("W0"), {{3, C(1)}}, 0, 0x7FFF, 0x8000},
      {"Let W0=300*300", V("W0"), {{1, C(300)}, {4, C(300)}}, 0, 0, 0x5F90},  // 90000, low 16 bits
      {"Let W0=2**10", V("W0"), {{1, C(2)}, {5, C(10)}}, 0, 0, 1024},
      {"Let W0=2**16", V("W0"), {{1, C(2)}, {5, C(16)}}, 0, 0, 0},
      {"Let W0=0**0", V("W0"), {{1, C(0)}, {5, C(0)}}, 0, 0x1234, 1},
      {"Let W0=3**-1", V("W0"), {{1, C(3)}, {5, C(-1)}}, 0, 0x1234, 0},
      {"Let W0=-1**-3", V("W0"), {{1, C(-1)}, {5, C(-3)}}, 0, 0, 0xFFFF},
      {"Let W0=-1**-2", V("W0"), {{1, C(-1)}, {5, C(-2)}}, 0, 0, 1},
      {"Let W0=1**-7", V("W0"), {{1, C(1)}, {5, C(-7)}}, 0, 0, 1},
      {"Let W0=-2**3", V("W0"), {{1, C(-2)}, {5, C(3)}}, 0, 0, 0xFFF8},
      {"Let W0=-7//2", V("W0"), {{1, C(-7)}, {6, C(2)}}, 0, 0, 0xFFFF},
      {"Let W0=-7/2", V("W0"), {{1, C(-7)}, {7, C(2)}}, 0, 0, 0xFFFD},
      {"Let W0=-25536/2", V("W0"), {{1, C(40000)}, {7, C(2)}}, 0, 0, 0xCE20},
      {"Let W0=-32768/-1", V("W0"), {{1, C(-32768)}, {7, C(-1)}}, 0, 0, 0x8000},
      {"Let W0=-32768//-1", V("W0"), {{1, C(-32768)}, {6, C(-1)}}, 0, 0, 0},
      {"Let W0=0|/255", V("W0"), {{1, C(0)}, {10, C(255)}}, 0, 0, 0xFF00},
      {"Let W0=W0&255", V("W0"), {{9, C(255)}}, 0, 0x0F0F, 0x000F},
      {"Let W0=W0|255", V("W0"), {{11, C(255)}}, 0, 0x0F00, 0x0FFF},
      {"Let W0=W0^/255", V("W0"), {{12, C(255)}}, 0, 0x0F0F, 0xF00F},
      {"Let W0=W0^255", V("W0"), {{13, C(255)}}, 0, 0x0F0F, 0x0FF0},
      {"Let W0=W0MIN10", V("W0"), {{14, C(10)}}, 0, 20, 10},
      {"Let W0=W0MAX10", V("W0"), {{15, C(10)}}, 0, 20, 20},
      {"Let W0=W0MIN10", V("W0"), {{14, C(10)}}, 0, -1, 0xFFFF},  // signed: -1 is the smaller
      {"Let W0=W0MAX10", V("W0"), {{15, C(10)}}, 0, -1, 10},
      // A word step that leaves 16 bits is cut before the next one sees it: 32768 is -32768 here.
      {"Let W0=32767+1/2", V("W0"), {{1, C(32767)}, {3, C(1)}, {7, C(2)}}, 0, 0, 0xC000},
      {"Let W1=B4*3/2", V("W1"), {{1, V("B4")}, {4, C(3)}, {7, C(2)}}, 1, 0, 15},
  };
  for (const LetCase& c : cases) Check(c);
}

TEST(Let, BytesAndBitsAreCutAfterEveryStep) {
  const LetCase cases[] = {
      {"Let B0=5", V("B0"), {{1, C(5)}}, 0, 0x1234, 0x1205},
      {"Let B0=B0+1", V("B0"), {{3, C(1)}}, 0, 0x12FF, 0x1200},
      {"Let B1=B1+1", V("B1"), {{3, C(1)}}, 0, 0xFF34, 0x0034},
      {"Let B0=200*2/4", V("B0"), {{1, C(200)}, {4, C(2)}, {7, C(4)}}, 0, 0, 36},  // 400 cut to 144 first
      {"Let Bit0=3/2", V("Bit0"), {{1, C(3)}, {7, C(2)}}, 0, 0xFFFF, 0xFFFE},      // 3 cut to 1 first
      {"Let B0=255&/15", V("B0"), {{1, C(255)}, {8, C(15)}}, 0, 0, 0xF0},
      {"Let B0=B0-1", V("B0"), {{2, C(1)}}, 0, 0x1200, 0x12FF},
      {"Let B0=-1/2", V("B0"), {{1, C(-1)}, {7, C(2)}}, 0, 0, 127},  // -1 cut to 255, then 255/2
      {"Let Pins=Pins&/15", V("Pins"), {{8, C(15)}}, 7, 0x0FFF, 0x0FF0},
      {"Let Dir3=1", V("Dir3"), {{1, C(1)}}, 7, 0, 0x0800},
      {"Let Port=Port+1", V("Port"), {{3, C(1)}}, 7, -1, 0},
  };
  for (const LetCase& c : cases) Check(c);
}

TEST(Let, ZeroDivisorsAndZeroBases) {
  const LetCase cases[] = {
      {"Let W0=7/0", V("W0"), {{1, C(7)}, {7, C(0)}}, 0, 0, 0xFFFF},       // all bits set
      {"Let B0=7/0", V("B0"), {{1, C(7)}, {7, C(0)}}, 0, 0x1200, 0x12FF},  // then cut to the byte
      {"Let W0=7//0", V("W0"), {{1, C(7)}, {6, C(0)}}, 0, 0, 7},           // the accumulator stays
      {"Let W0=W0//0", V("W0"), {{6, C(0)}}, 0, -5, 0xFFFB},
      {"Let W0=0**-1", V("W0"), {{1, C(0)}, {5, C(-1)}}, 0, 0, 0xFFFF},
      {"Let Bit3=0**-1", V("Bit3"), {{1, C(0)}, {5, C(-1)}}, 0, 0, 0x0008},
  };
  for (const LetCase& c : cases) Check(c);
}

TEST(Let, OperatorCodeZeroShowsItsMessageAndChangesNothing) {
  Rig r;
  r.Load(ProgramBuilder().Let(V("B0"), {{0, C(5)}, {3, C(1)}}).End());
  r.SetWord(0, 0x1207);
  EXPECT_EQ(r.Preview(), "Let B0=B0+1");  // the target's name, then only the second step
  EXPECT_EQ(r.host.Texts(EventKind::Message), (std::vector<std::string>{"You can't see this"}));
  r.host.ClearEvents();
  r.Exec();
  EXPECT_EQ(r.Word(0), 0x1208);
  EXPECT_EQ(r.host.Texts(EventKind::Message), (std::vector<std::string>{"You can't see this"}));
}

}  // namespace
}  // namespace qx9::test
