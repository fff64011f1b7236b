// A message at the place of each mistake, quoting the source safely; line ends; where the assembler stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/lexer.h"

namespace qx9::asmx {
namespace {

struct Case {
  const char* Source;
  int Line;
  int Column;
  const char* Message;
};

const Case kCases[] = {
    {"High 3\n  Let B14=1", 2, 7, "unknown variable 'B14'"},
    {"Pause 3:5", 1, 9, "a constant's width must be 1, 4, 8 or 16"},
    {"Let B0=B0 #16 1", 1, 12, "a code after '#' must be 0..15"},
    {"Goto nowhere", 1, 6, "undefined label 'nowhere'"},
    {"Loop: High 3\nLOOP: Low 3", 2, 1, "duplicate label 'LOOP' (first defined on line 1)"},
    {"add: High 3", 1, 1, "label 'add' reads as a hex address; a label needs a letter other than A-F or an underscore"},
    {"Goto 800", 1, 6, "target 800 is beyond 7FF, the last address (2047)"},
    {"Sound 1,(100,50,7)", 1, 19, "Sound needs pairs of note and duration: (note,duration,...)"},
    {"Next B0", 1, 1,
     "Next B0 without a For ... To (a Next on its own is written Next v Step s Up|Down limit Then target)"},
    {"For B0=1 To 5\nNext B1", 2, 1, "Next B1 does not match For B0 on line 1"},
    {"High 3\nFor B0=1 To 5\nHigh 4", 2, 1, "For B0 has no Next"},
    {".data 0, 7\nHigh 3\n.org 7F0\nHigh 3", 4, 1,
     "code runs into data: High at 7F0 reaches image entry 255, set on line 1"},
    {".org 7F8\nLet W0=W1+W2", 2, 1,
     "the program does not fit: Let ends at bit 2075 of the image's 2048 (data and code share the 256 bytes)"},
    {"High 3\n.org 13\nLow 3", 3, 1, "Low at 13 overlaps the code of line 1 at bit 13"},
    {".byte 255, 5, 6", 1, 15, "this byte lies outside the image"},
    {".byte 0, 1\n.byte 0, 2", 2, 1, "image entry 0 is already set on line 1"},
};

class Errors : public ::testing::TestWithParam<Case> {};

TEST_P(Errors, ReportsTextAndPosition) {
  const Case& c = GetParam();
  const AssembleResult r = Assemble(c.Source);
  ASSERT_FALSE(r.Ok()) << c.Source;
  EXPECT_EQ(FormatDiagnostic("p.bas", r.Errors.front()),
            "p.bas:" + std::to_string(c.Line) + ":" + std::to_string(c.Column) + ": " + c.Message)
      << c.Source;
}

INSTANTIATE_TEST_SUITE_P(Asm, Errors, ::testing::ValuesIn(kCases));

struct LineCase {
  const char* Name;
  std::string Source;
  std::vector<std::string_view> Lines;
};

TEST(Errors, SplitLinesEndsALineAtLfCrLfAndALoneCr) {
  const LineCase cases[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"mixed, last line open", "a\r\rb\nc", {"a", "", "b", "c"}},
      {"a byte order mark", std::string("\xEF\xBB\xBF") + "a\nb", {"a", "b"}},
      {"only a byte order mark", "\xEF\xBB\xBF", {}},
  };
  for (const LineCase& c : cases) EXPECT_EQ(SplitLines(c.Source), c.Lines) << c.Name;
}

TEST(Errors, MessagesQuoteTheSourceSafely) {
  const struct {
    std::string Source;
    std::string Message;
  } cases[] = {
      {"High 3 \x1B]0;owned\x07", "p.bas:1:8: unexpected '\\x1B]0;owned\\x07' after High"},
      {"High 3 \xC3\xA9" + std::string(50, '+'),
       "p.bas:1:8: unexpected '\\xC3\\xA9" + std::string(38, '+') + "...' after High"},
      {"Pause 99999999999999", "p.bas:1:7: constant 99999999999999 is out of range (-32768..65535)"},
      {"Pause -00070000:8", "p.bas:1:7: constant -00070000 is out of range (-32768..65535)"},
      {"Pause 0300:8", "p.bas:1:7: constant 0300 does not fit in 8 bits"},
  };
  for (const auto& c : cases) {
    const AssembleResult r = Assemble(c.Source);
    ASSERT_FALSE(r.Ok());
    EXPECT_EQ(FormatDiagnostic("p.bas", r.Errors.front()), c.Message);
  }
}

TEST(Errors, StopsAtTheFirstStatementThatDoesNotFit) {
  // High 3 takes 12 bits: the 170th ends at bit 19 + 170 * 12 = 2059.
  std::string source;
  for (int i = 0; i < 5000; ++i) source += "High 3\n";
  const AssembleResult r = Assemble(source + "Goto nowhere\n");
  ASSERT_EQ(r.Errors.size(), 1u);
  EXPECT_EQ(FormatDiagnostic("p.bas", r.Errors[0]),
            "p.bas:170:1: the program does not fit: High ends at bit 2059 of the image's 2048 "
            "(data and code share the 256 bytes)");
}

}  // namespace
}  // namespace qx9::asmx
