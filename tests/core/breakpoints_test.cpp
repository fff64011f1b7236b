// Breakpoints, conditions and watchpoints: what they accept, and where the run control stops a run.
#include "core/breakpoints.h"

#include <gtest/gtest.h>

#include "support/rig.h"

namespace qx9::test {
namespace {

struct ParseRow {
  const char* Text;
  const char* Normalised;  // empty: refused
  const char* Reason;      // a part of the refusal's reason
};

template <typename Parse>
void ExpectParsed(const std::vector<ParseRow>& rows, Parse parse) {
  for (const ParseRow& row : rows) {
    SCOPED_TRACE(row.Text);
    std::string error;
    const auto parsed = parse(row.Text, error);
    if (*row.Normalised != '\0') {
      ASSERT_TRUE(parsed.has_value()) << error;
      EXPECT_EQ(parsed->Text, row.Normalised);
    } else {
      EXPECT_FALSE(parsed.has_value());
      EXPECT_NE(error.find(row.Reason), std::string::npos) << error;
    }
  }
}

TEST(Breakpoints, ConditionsAndWatchesAreParsedOrRefusedWithAReason) {
  ExpectParsed(
      {
          {"  w6 <= -32768 ", "W6 <= -32768", ""},
          {"100 < W0", "", "left side must be a variable"},
          {"X1 = 3", "", "'X1' is not a variable"},
          {"W0 > 40000", "", "'40000' is not a decimal constant"},
      },
      ParseCondition);
  ExpectParsed(
      {
          {"Image 40", "Image 40", ""},
          {"Image 256", "", "Image N"},
      },
      ParseWatch);
}

// loop: Let W0=W0+1 / mark: Let W1=W1+1 / jump: Goto loop
struct LoopRig : Rig {
  ProgramBuilder b;
  Breakpoints stops;
  std::string error;

  LoopRig() {
    b.Label("loop").Let(V("W0"), {{3, C(1)}}).Label("mark").Let(V("W1"), {{3, C(1)}}).Label("jump").Goto("loop");
    Load(b);
    stops.Attach(m);
  }
  int At(const char* label) const { return b.AddressOf(label); }
  void Run(int maxTicks = 100) {
    m.RunBtn_Click();
    TickWhileRunning(m, host, maxTicks);
  }
};

TEST(Breakpoints, AFreeRunStopsWhereAndWhyItShould) {
  struct Case {
    const char* Name;
    std::function<void(LoopRig&)> Arm;
    const char* StopsAt;  // nullptr: the run goes on
    int W0;
    int W1;
    std::string Reason;  // ending in a blank: the stop's address follows
  };
  const std::vector<Case> cases = {
      {"a run that starts on a breakpoint leaves it", [](LoopRig& r) { r.stops.Set(r.At("loop"), true); }, "loop", 1, 1,
       "breakpoint "},
      {"condition", [](LoopRig& r) { ASSERT_TRUE(r.stops.AddCondition("W0 > 2", r.error)); }, "mark", 3, 2, "W0 > 2"},
      {"a step's change before the run stops nothing",
       [](LoopRig& r) {
         ASSERT_TRUE(r.stops.AddWatch("W0", r.m, r.error));
         r.m.Step_Click();
       },
       "mark", 2, 1, "W0 changed: 1 -> 2"},
      {"run to", [](LoopRig& r) { r.stops.SetRunTo(r.At("jump")); }, "jump", 1, 1, "run to cursor "},
      {"a typed word moves the watch's baseline",
       [](LoopRig& r) {
         ASSERT_TRUE(r.stops.AddWatch("W2", r.m, r.error));
         r.host.TypeWordBox(2, "0007");
       },
       nullptr, -1, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    LoopRig r;
    c.Arm(r);
    r.Run(30);
    EXPECT_EQ(r.host.TimerEnabled(), c.StopsAt == nullptr);
    if (c.StopsAt == nullptr) continue;
    EXPECT_EQ(r.m.LinearAddress(), r.At(c.StopsAt));
    EXPECT_EQ(r.Word(0), c.W0);
    EXPECT_EQ(r.Word(1), c.W1);
    const bool withAddress = !c.Reason.empty() && c.Reason.back() == ' ';
    EXPECT_EQ(r.stops.Reason(), withAddress ? c.Reason + AddressText(r.At(c.StopsAt)) : c.Reason);
    EXPECT_FALSE(r.stops.RunTo().has_value());  // run to is one-shot: any stop clears it
  }
}

}  // namespace
}  // namespace qx9::test
