// Branch, Lookup, Lookdown: tables written inline with a continuation bit after every entry.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

TEST(Branch, JumpsToTheSelectedTargetOrGoesOn) {
  const std::pair<int32_t, int> cases[] = {{0, 0x1A}, {1, 0x2F}, {2, -1}, {-1, -1}, {32767, -1}};
  for (const auto& [index, target] : cases) {
    Rig r;
    r.Load(ProgramBuilder().Branch(V("W0"), {0x1A, 0x2F}).End());
    r.SetWord(0, index);
    EXPECT_EQ(r.Exec(), "Branch W0,(1A,2F,)");
    if (target >= 0) {
      EXPECT_EQ(r.m.LinearAddress(), target) << index;
    } else {
      EXPECT_EQ(r.Preview(), "End") << index;  // no jump: on after the table
    }
  }
  Rig r;
  r.Load(ProgramBuilder().Branch(C(1), {0x1A, 0x2F}).End());
  r.Exec();
  EXPECT_EQ(r.Pos(), std::make_pair(5, 0));
}

TEST(Lookup, StoresTheSelectedEntryOrZero) {
  struct Case {
    int32_t index;
    const char* target;
    uint16_t after;
  };
  const Case cases[] = {
      {0, "B0", 0x110A},  {2, "B0", 0x111E},   {3, "B0", 0x11FF}, {5, "B0", 0x1100},  // 5: past the table
      {-1, "B0", 0x1100}, {1, "Bit0", 0x1110}, {4, "Bit0", 0x1111}, {3, "W1", 0xFFFF},
  };
  for (const Case& c : cases) {
    Rig r;
    r.Load(ProgramBuilder().Lookup(V("W2"), V(c.target), {C(10), C(20), C(30), C(-1), C(17)}).End());
    r.SetWord(0, 0x1111);
    r.SetWord(1, 0x1111);
    r.SetWord(2, c.index);
    EXPECT_EQ(r.Exec(), std::string("Lookup W2,(10,20,30,-1,17,),") + c.target);
    EXPECT_EQ(r.Word(std::string(c.target) == "W1" ? 1 : 0), c.after) << c.index << " " << c.target;
  }
}

TEST(Lookdown, StoresTheNumberOfTheLastMatch) {
  struct Case {
    int value;
    std::vector<Operand> entries;
    const char* text;
    uint16_t after;
  };
  const Case cases[] = {
      {20, {C(10), C(20), C(30)}, "Lookdown 20,(10,20,30,),B1", 0x0155},
      {20, {C(20), C(5), C(20)}, "Lookdown 20,(20,5,20,),B1", 0x0255},
      {20, {C(1), C(2), C(3)}, "Lookdown 20,(1,2,3,),B1", 0x7755},
      {-1, {C(7), C(65535)}, "Lookdown -1,(7,-1,),B1", 0x0155},  // all 16 bits compared
      {20, {C(20)}, "Lookdown 20,(20,),B1", 0x0055},
  };
  for (const Case& c : cases) {
    Rig r;
    r.Load(ProgramBuilder().Lookdown(C(c.value), V("B1"), c.entries).End());
    r.SetWord(0, 0x7755);
    EXPECT_EQ(r.Exec(), c.text);
    EXPECT_EQ(r.Word(0), c.after) << c.text;
    EXPECT_EQ(r.Preview(), "End") << c.text;
  }
}

}  // namespace
}  // namespace qx9::test
