// The JUnit report: escaping, and the atomic write.
#include <gtest/gtest.h>

#include <filesystem>

#include "scenario/junit_report.h"
#include "support/command.h"
#include "support/scratch_dir.h"

namespace qx9::scenario {
namespace {

namespace fs = std::filesystem;

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

using JUnitFileTest = test::ScratchDir;

TEST_F(JUnitFileTest, WritesAtomicallyAndReportsWhatFails) {
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(Path("report.xml"), "old", error));
  ASSERT_TRUE(WriteFileAtomically(Path("report.xml"), "new", error));
  EXPECT_EQ(test::ReadWhole(Path("report.xml")), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  EXPECT_FALSE(WriteFileAtomically(Path("missing/r.xml"), "x", error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace qx9::scenario
