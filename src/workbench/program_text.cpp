#include "workbench/program_text.h"

#include <filesystem>
#include <sstream>

#include "asm/assembler.h"
#include "asm/listing.h"

namespace qx9 {

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An instruction line of the listing is indented and ends in "; AAA"; labels, directives and the
// header comment are not instructions.
int ListedAddress(const std::string& line) {
  if (line.size() < 10 || line.compare(0, 4, "    ") != 0 || line[4] == '.' || line[4] == ';') return -1;
  const size_t n = line.size();
  if (line[n - 5] != ';' || line[n - 4] != ' ') return -1;
  int address = 0;
  for (size_t i = n - 3; i < n; ++i) {
    const int digit = HexDigit(line[i]);
    if (digit < 0) return -1;
    address = address * 16 + digit;
  }
  return address;
}

}  // namespace

int ProgramText::LineOf(int address) const {
  for (size_t i = 0; i < LineAddress.size(); ++i) {
    if (LineAddress[i] == address) return static_cast<int>(i);
  }
  return -1;
}

ProgramText ListingText(const std::array<uint8_t, 256>& image) {
  ProgramText text;
  text.Lines = SplitLines(asmx::ListProgram(image));
  for (const std::string& line : text.Lines) text.LineAddress.push_back(ListedAddress(line));
  return text;
}

ProgramText SourceOrListing(const std::array<uint8_t, 256>& image, const std::string& source) {
  const asmx::AssembleResult assembled = asmx::Assemble(source);
  if (!assembled.Ok() || assembled.Image != image) {
    ProgramText listing = ListingText(image);
    listing.Note = assembled.Ok() ? "the source beside the file assembles to other bytes: showing the listing"
                                  : "the source beside the file does not assemble: showing the listing";
    return listing;
  }
  ProgramText text;
  text.FromSource = true;
  text.Lines = SplitLines(source);
  text.LineAddress.assign(text.Lines.size(), -1);
  for (const asmx::LineAddress& code : assembled.Code) {
    const size_t index = static_cast<size_t>(code.Line - 1);
    if (index < text.LineAddress.size()) text.LineAddress[index] = code.Address;
  }
  return text;
}

std::string SourcePathFor(const std::string& objectPath) {
  namespace fs = std::filesystem;
  const fs::path object(objectPath);
  for (const char* extension : {".bas", ".BAS"}) {
    fs::path source = object;
    source.replace_extension(extension);
    std::error_code error;
    if (source != object && fs::is_regular_file(source, error)) return source.string();
  }
  return {};
}

}  // namespace qx9
