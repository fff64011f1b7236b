#pragma once
// A cursor over one source line. The panel's text glues its tokens together ("B0<5ANDB1=3",
// "B3MIN10"), so the parser asks for the token it expects next instead of splitting the line first.
// Blanks between tokens are skipped; ';' or an apostrophe starts a comment that runs to the line end.

#include <string>
#include <string_view>
#include <vector>

namespace qx9::asmx {

// A mistake in the source, at a column of the line being parsed (1-based).
struct SyntaxError {
  int Column;
  std::string Message;
};

class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}

  int Column() const { return static_cast<int>(pos_) + 1; }
  void SkipBlanks();
  // After blanks: nothing but a comment is left.
  bool AtEnd();
  // The next character after blanks, or '\0' at the end.
  char Peek();
  // Takes `literal` (letters in any case) after blanks when it comes next.
  bool Accept(std::string_view literal);
  // Like Accept, but only when no letter, digit or underscore follows the word.
  bool AcceptWord(std::string_view word);
  // Takes letters, digits and underscores (an identifier or a hex address); "" when none come next.
  std::string Word();
  // Takes an optional '-' and decimal digits; false (nothing taken) when no digit comes next.
  bool Number(long long& value);
  // The last number Number took, as written (its value saturates), quoted for a message.
  std::string NumberText() const;

  [[noreturn]] void Fail(const std::string& message) const { throw SyntaxError{Column(), message}; }
  [[noreturn]] static void FailAt(int column, const std::string& message) { throw SyntaxError{column, message}; }
  // The rest of the line, quoted for a message (see Quote).
  std::string Rest();

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t numberStart_ = 0;
  size_t numberEnd_ = 0;
};

// How much of a line a message quotes.
inline constexpr size_t kQuoteLimit = 40;

// Source text made safe to quote in a message: bytes that are not printable ASCII written as \xNN (so
// no escape sequence reaches the terminal), and anything beyond kQuoteLimit characters cut to "...".
std::string Quote(std::string_view text);

// The lines of a source: a UTF-8 byte order mark at the start is dropped, and a line ends at LF, CR LF
// or a lone CR (older editors' line end).
std::vector<std::string_view> SplitLines(std::string_view source);

bool IsWordChar(char c);
bool IsHexWord(const std::string& word);
std::string Upper(std::string text);

}  // namespace qx9::asmx
