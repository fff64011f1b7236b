// If ... Then: comparisons, the conjunction bit (1 AND, 0 OR) evaluated strictly left to right, the
// jump and its mark.
#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

constexpr int kTarget = 0x1A;  // (3,5)

struct IfCase {
  const char* text;
  std::vector<Condition> conditions;
  std::array<int32_t, 2> words;  // W0, W1
  bool jumps;
};

void Check(const IfCase& c) {
  Rig r;
  r.Load(ProgramBuilder().If(c.conditions, kTarget).End());
  r.SetWord(0, c.words[0]);
  r.SetWord(1, c.words[1]);
  const std::string text = std::string(c.text) + (c.jumps ? " (->)" : "");
  EXPECT_EQ(r.Preview(), text);
  EXPECT_EQ(r.Exec(), text);
  if (c.jumps) {
    EXPECT_EQ(r.Pos(), std::make_pair(3, 5)) << c.text;
  } else {
    EXPECT_EQ(r.Preview(), "End") << c.text;  // went on after the target field
  }
}

Condition Cond(const char* var, int compare, Operand right, bool conjunctionAnd = false) {
  return {V(var), compare, std::move(right), conjunctionAnd};
}

TEST(If, ComparisonsAreSigned) {
  const IfCase cases[] = {
      {"If B0<5 Then 1A", {Cond("B0", 1, C(5))}, {3, 0}, true},
      {"If B0<5 Then 1A", {Cond("B0", 1, C(5))}, {5, 0}, false},
      {"If B0>5 Then 1A", {Cond("B0", 2, C(5))}, {6, 0}, true},
      {"If B0<>5 Then 1A", {Cond("B0", 3, C(5))}, {5, 0}, false},
      {"If B0=5 Then 1A", {Cond("B0", 4, C(5))}, {5, 0}, true},
      {"If B0<=5 Then 1A", {Cond("B0", 5, C(5))}, {5, 0}, true},
      {"If B0>=5 Then 1A", {Cond("B0", 6, C(5))}, {4, 0}, false},
      {"If W0<0 Then 1A", {Cond("W0", 1, C(0))}, {-1, 0}, true},
      {"If W0>-25536 Then 1A", {Cond("W0", 2, C(40000))}, {0, 0}, true},
      {"If B1>W1 Then 1A", {Cond("B1", 2, V("W1"))}, {0xFF00, -1}, true},
      {"If Pin3=1 Then 1A", {Cond("Pin3", 4, C(1))}, {0, 0}, false},
  };
  for (const IfCase& c : cases) Check(c);
}

TEST(If, ConditionsCombineLeftToRightWithoutPrecedence) {
  const IfCase cases[] = {
      // (false OR true) AND true
      {"If B0=1ORB0=2ANDB1=3 Then 1A",
       {Cond("B0", 4, C(1)), Cond("B0", 4, C(2)), Cond("B1", 4, C(3), true)}, {0x0302, 0}, true},
      // (true OR true) AND false: false, where AND binding tighter would give true
      {"If B0=2ORB0=2ANDB1=4 Then 1A",
       {Cond("B0", 4, C(2)), Cond("B0", 4, C(2)), Cond("B1", 4, C(4), true)}, {0x0302, 0}, false},
      {"If B0=2ANDB1=3 Then 1A", {Cond("B0", 4, C(2)), Cond("B1", 4, C(3), true)}, {0x0302, 0}, true},
      {"If B0=2ANDB1=4 Then 1A", {Cond("B0", 4, C(2)), Cond("B1", 4, C(4), true)}, {0x0302, 0}, false},
      {"If B0=9ORB1=3 Then 1A", {Cond("B0", 4, C(9)), Cond("B1", 4, C(3))}, {0x0302, 0}, true},
      // The result starts false: a first condition joined by AND can never make it true.
      {"If B0=2 Then 1A", {Cond("B0", 4, C(2), true)}, {0x0302, 0}, false},
  };
  for (const IfCase& c : cases) Check(c);
}

TEST(If, UnknownComparisonShowsAMessageAndLeavesTheResult) {
  Rig r;
  ProgramBuilder b;
  b.If({Cond("B0", 7, C(1)), Cond("B0", 4, C(0))}, kTarget).Label("second").If({Cond("B0", 0, C(1))}, 0).End();
  r.Load(b);
  EXPECT_EQ(r.Preview(), "If ORB0=0 Then 1A (->)");
  EXPECT_EQ(r.host.Texts(EventKind::Message), (std::vector<std::string>{"Unknown"}));
  r.host.ClearEvents();
  r.m.JumpTo(b.AddressOf("second"));
  EXPECT_EQ(r.Exec(), "If  Then 0");
  EXPECT_EQ(r.host.Texts(EventKind::Message), (std::vector<std::string>{"Unknown"}));
  EXPECT_EQ(r.Preview(), "End");
}

TEST(If, TargetZero) {
  Rig r;
  r.Load(ProgramBuilder().If({Cond("B0", 4, C(0))}, 0).End());
  EXPECT_EQ(r.Exec(), "If B0=0 Then 0 (->)");
  EXPECT_EQ(r.Pos(), std::make_pair(0, 7));
}

}  // namespace
}  // namespace qx9::test
