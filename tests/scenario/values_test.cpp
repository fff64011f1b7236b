// Whole numbers and durations as a scenario writes them.
#include <gtest/gtest.h>

#include "scenario/scenario_values.h"

namespace qx9::scenario {
namespace {

TEST(ScenarioValuesTest, WholeNumbers) {
  struct Case {
    const char* Text;
    bool Ok;
    int64_t Value;
  };
  const Case kCases[] = {
      {"0", true, 0},          {"42", true, 42},
      {"-3", true, -3},        {"0x0010", true, 16},
      {"0XfFfD", true, 65533}, {"-0x10", true, -16},
      {"", false, 0},          {"-", false, 0},
      {"0x", false, 0},        {"+5", false, 0},
      {"1.5", false, 0},       {"12a", false, 0},
      {"0x1G", false, 0},      {"9999999999999", false, 0},
  };
  for (const Case& c : kCases) {
    int64_t value = 0;
    EXPECT_EQ(ParseInteger(c.Text, value), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(value, c.Value) << c.Text;
    }
  }
}

TEST(ScenarioValuesTest, Durations) {
  struct Case {
    const char* Text;
    bool Ok;
    int64_t Us;
  };
  const Case kCases[] = {
      {"500ms", true, 500000}, {"0ms", true, 0},          {"2s", true, 2000000},
      {"0.25s", true, 250000}, {"1.001s", true, 1001000}, {"3600s", true, 3600000000},
      {"500", false, 0},       {"ms", false, 0},          {"s", false, 0},
      {"1.5ms", false, 0},     {"0.0001s", false, 0},     {"1.s", false, 0},
      {".5s", false, 0},       {"-1s", false, 0},         {"1 s", false, 0},
      {"1m", false, 0},        {"9999999999s", false, 0},
  };
  for (const Case& c : kCases) {
    int64_t us = 0;
    EXPECT_EQ(ParseDurationText(c.Text, us), c.Ok) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(us, c.Us) << c.Text;
    }
  }
}

}  // namespace
}  // namespace qx9::scenario
