// The JUnit report: what XML cannot carry as is.
#include <gtest/gtest.h>

#include "scenario/junit_report.h"

namespace qx9::scenario {
namespace {

TEST(JUnitReportTest, EscapesWhatXmlCannotCarryAsIs) {
  const std::pair<const char*, const char*> kCases[] = {
      {"a<b>&c", "a&lt;b&gt;&amp;c"},
      {"say \"hi\" 'x'", "say &quot;hi&quot; &apos;x&apos;"},
      {"bell\a tab\t nl\n", "bell tab\t nl\n"},
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
      {"stray \xFF byte", "stray \xEF\xBF\xBD byte"},
      {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& [text, escaped] : kCases) EXPECT_EQ(XmlEscape(text), escaped) << text;
  EXPECT_EQ(XmlEscape("one\ntwo", true), "one&#10;two");
}

}  // namespace
}  // namespace qx9::scenario
