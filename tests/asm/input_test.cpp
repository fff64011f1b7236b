// What the assembler takes as input and how far it goes: line ends and a byte order mark, quotes of
// the source in messages, and where it stops on a source that cannot succeed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/lexer.h"

namespace qx9::asmx {
namespace {

struct LineCase {
  const char* Name;
  std::string Source;
  std::vector<std::string_view> Lines;
};

TEST(Input, SplitLinesEndsALineAtLfCrLfAndALoneCr) {
  const LineCase cases[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"mixed, last line open", "a\r\rb\nc", {"a", "", "b", "c"}},
      {"a byte order mark",
       "\xEF\xBB\xBF"
       "a\nb",
       {"a", "b"}},
      {"only a byte order mark", "\xEF\xBB\xBF", {}},
  };
  for (const LineCase& c : cases) EXPECT_EQ(SplitLines(c.Source), c.Lines) << c.Name;
}

TEST(Input, MessagesQuoteTheSourceSafely) {
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

std::string Repeat(const std::string& line, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += line;
  return out;
}

TEST(Input, StopsAtTheFirstStatementThatDoesNotFit) {
  // High 3 takes 12 bits: the 170th ends at bit 19 + 170 * 12 = 2059.
  const AssembleResult r = Assemble(Repeat("High 3\n", 5000) + "Goto nowhere\n");
  ASSERT_EQ(r.Errors.size(), 1u);
  EXPECT_EQ(FormatDiagnostic("p.bas", r.Errors[0]),
            "p.bas:170:1: the program does not fit: High ends at bit 2059 of the image's 2048 "
            "(data and code share the 256 bytes)");
}

// Twenty errors are all reported; the twenty-first stops the check with a note instead.
TEST(Input, StopsAfterTwentyErrors) {
  EXPECT_EQ(Assemble(Repeat("Jump\n", 20)).Errors.size(), 20u);
  const AssembleResult r = Assemble(Repeat("Jump\n", 1000));
  ASSERT_EQ(r.Errors.size(), 21u);
  EXPECT_EQ(FormatDiagnostic("p.bas", r.Errors[20]),
            "p.bas:20:1: too many errors (20); the rest of the source is not checked");
}

}  // namespace
}  // namespace qx9::asmx
