// The scenario schema: each mistake as FILE:LINE:COLUMN, what a good file reads as, numbers and durations.
#include <gtest/gtest.h>

#include "scenario/scenario_parser.h"
#include "scenario/scenario_values.h"

namespace qx9::scenario {
namespace {

std::vector<std::string> Errors(const std::string& text, const std::string& path = "s.yaml") {
  Scenario scenario;
  std::vector<std::string> errors;
  const bool ok = ParseScenarioText(text, path, scenario, errors);
  EXPECT_EQ(ok, errors.empty());
  return errors;
}

Scenario Parsed(const std::string& text, const std::string& path = "dir/s.yaml") {
  Scenario scenario;
  std::vector<std::string> errors;
  EXPECT_TRUE(ParseScenarioText(text, path, scenario, errors));
  for (const std::string& error : errors) ADD_FAILURE() << error;
  return scenario;
}

struct Rejected {
  const char* What;
  const char* Yaml;
  const char* Message;
};

const Rejected kRejected[] = {
    {"not yaml", "steps: [delay: 1s", "s.yaml:1:1: end of sequence flow not found"},
    {"empty file", "", "s.yaml:1:1: a scenario is a map with name:, program: and steps:"},
    {"duplicate key", "steps: []\nname: a\nname: b\n", "s.yaml:3:1: key 'name' given twice in a scenario"},
    {"unknown step", "steps:\n  - sleep: 1s\n",
     "s.yaml:2:5: unknown step 'sleep' (known: answer, delay, expect-message, expect-pin, expect-tone, "
     "expect-word, screenshot, set-pot, set-pulsin, set-switch, type-word, wait-pin, wait-word)"},
    {"quoted number", "steps:\n  - expect-pin: {pin: \"3\", value: 1}\n",
     "s.yaml:2:23: pin: must be a whole number, not \"3\""},
    {"alias that contains itself", "steps:\n  - set-pot: &a [*a]\n",
     "s.yaml:2:14: set-pot: must be a text, not [[[[[...]]]]]"},
    {"reference missing", "steps:\n  - screenshot: {compare-with: /nonexistent/ref.png}\n",
     "s.yaml:2:32: compare-with: the reference image '/nonexistent/ref.png' cannot be read"},
};

TEST(ScenarioParserTest, RejectsEachMistakeWithItsPlace) {
  for (const Rejected& rejected : kRejected) {
    SCOPED_TRACE(rejected.What);
    const std::vector<std::string> errors = Errors(rejected.Yaml);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], rejected.Message);
  }
}

TEST(ScenarioParserTest, ReportsEveryMistakeNotJustTheFirst) {
  const std::vector<std::string> errors =
      Errors("steps:\n  - jump: 1\n  - delay: 1s\n  - expect-pin: {pin: 9, value: 5}\n");
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].substr(0, 11), "s.yaml:2:5:");
  EXPECT_EQ(errors[1], "s.yaml:4:23: pin: must be from 0 to 7, not 9");
  EXPECT_EQ(errors[2], "s.yaml:4:33: value: must be from 0 to 1, not 5");
}

TEST(ScenarioParserTest, UnreadableFileIsReported) {
  for (const std::string path : {"/nonexistent/s.yaml", "/tmp"}) {
    Scenario scenario;
    std::vector<std::string> errors;
    EXPECT_FALSE(ParseScenarioFile(path, scenario, errors));
    EXPECT_EQ(errors, std::vector<std::string>{path + ":1:1: cannot read the scenario file"});
  }
}

// What the runner cannot tell apart: the port's box, empty text, null against "null", the default timeout.
TEST(ScenarioParserTest, ReadsWhatTheRunnerCannotShow) {
  const Scenario s = Parsed(
      "name: all steps\n"
      "program: prog/A.OBJ\n"
      "steps:\n"
      "  - type-word: {word: PORT, text: \"00FF\"}\n"
      "  - set-pulsin: \"\"\n"
      "  - answer: null\n"
      "  - answer: \"null\"\n"
      "  - wait-pin: {pin: 5, value: 1}\n");
  EXPECT_EQ(s.Program, "dir/prog/A.OBJ");
  ASSERT_EQ(s.Steps.size(), 5u);
  EXPECT_EQ(s.Steps[0].Kind, StepKind::TypeWord);
  EXPECT_EQ(s.Steps[0].Index, 7);
  EXPECT_EQ(s.Steps[1].Str, "");
  EXPECT_EQ(s.Steps[2].Reply, std::nullopt);
  EXPECT_EQ(s.Steps[3].Reply, std::optional<std::string>("null"));
  EXPECT_EQ(s.Steps[4].TimeoutUs, kDefaultTimeoutUs);
}

TEST(ScenarioValuesTest, MalformedDurations) {
  for (const char* text : {"500", "ms", "1.5ms", "0.0001s", "1.s", ".5s", "-1s", "9999999999s"}) {
    int64_t us = 0;
    EXPECT_FALSE(ParseDurationText(text, us)) << text;
  }
}

}  // namespace
}  // namespace qx9::scenario
