#include "asm/lexer.h"

#include <cctype>

namespace qx9::asmx {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

bool IsHexWord(const std::string& word) {
  if (word.empty()) return false;
  for (char c : word) {
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void LineCursor::SkipBlanks() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) ++pos_;
}

bool LineCursor::AtEnd() {
  SkipBlanks();
  return pos_ >= text_.size() || text_[pos_] == ';' || text_[pos_] == '\'';
}

char LineCursor::Peek() { return AtEnd() ? '\0' : text_[pos_]; }

bool LineCursor::Accept(std::string_view literal) {
  SkipBlanks();
  if (text_.size() - pos_ < literal.size()) return false;
  for (size_t i = 0; i < literal.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text_[pos_ + i])) !=
        std::toupper(static_cast<unsigned char>(literal[i]))) {
      return false;
    }
  }
  pos_ += literal.size();
  return true;
}

bool LineCursor::AcceptWord(std::string_view word) {
  const size_t saved = pos_;
  if (!Accept(word)) return false;
  if (pos_ < text_.size() && IsWordChar(text_[pos_])) {
    pos_ = saved;
    return false;
  }
  return true;
}

std::string LineCursor::Word() {
  SkipBlanks();
  const size_t start = pos_;
  while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
  return std::string(text_.substr(start, pos_ - start));
}

bool LineCursor::Number(long long& value) {
  SkipBlanks();
  size_t p = pos_;
  const bool negative = p < text_.size() && text_[p] == '-';
  if (negative) ++p;
  if (p >= text_.size() || std::isdigit(static_cast<unsigned char>(text_[p])) == 0) return false;
  long long v = 0;
  while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p])) != 0) {
    if (v < 1000000000LL) v = v * 10 + (text_[p] - '0');  // saturates; the caller reports the range
    ++p;
  }
  numberStart_ = pos_;
  numberEnd_ = p;
  pos_ = p;
  value = negative ? -v : v;
  return true;
}

std::string LineCursor::NumberText() const { return Quote(text_.substr(numberStart_, numberEnd_ - numberStart_)); }

std::string LineCursor::Rest() {
  SkipBlanks();
  std::string_view rest = text_.substr(pos_);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) {
    rest.remove_suffix(1);
  }
  return Quote(rest);
}

std::string Quote(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const bool cut = text.size() > kQuoteLimit;
  if (cut) text = text.substr(0, kQuoteLimit);
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  if (cut) out += "...";
  return out;
}

std::vector<std::string_view> SplitLines(std::string_view source) {
  if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    if (source[i] != '\n' && source[i] != '\r') continue;
    lines.push_back(source.substr(start, i - start));
    if (source[i] == '\r' && i + 1 < source.size() && source[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // A last line without a line end still counts; an empty one after the last line end does not.
  if (start < source.size()) lines.push_back(source.substr(start));
  return lines;
}

}  // namespace qx9::asmx
