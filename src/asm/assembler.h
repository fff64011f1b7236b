#pragma once
// The assembler: QX9 source text -> the 256-byte program image of an object file.
//
// A line holds labels ("name:"), at most one instruction or directive, and a comment after ';' or an
// apostrophe. Instructions are written as the panel shows them ("Let B0=B0+1", "If B0<5ANDB1=3 Then
// loop", "Sound 1,(100,50,)"), keywords and names in any letter case, blanks allowed between tokens.
// Jump targets are labels or hex addresses as the panel shows them ("1A3"); a label may therefore not
// consist of hex digits alone. Code starts at linear address 19, where the machine starts decoding.
// The full syntax, with the forms that set every field, is in src/asm/README.md.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qx9::asmx {

struct Diagnostic {
  int Line = 0;    // 1-based
  int Column = 0;  // 1-based
  std::string Message;
};

// Where an instruction of the source landed: its 1-based line and its linear token address.
struct LineAddress {
  int Line = 0;
  int Address = 0;
};

struct AssembleResult {
  std::array<uint8_t, 256> Image{};
  std::vector<Diagnostic> Errors;  // by line and column
  std::vector<LineAddress> Code;   // every instruction in source order
  bool Ok() const { return Errors.empty(); }
};

// The largest source read: a full image takes a few kilobytes of source, and comments leave ample room.
inline constexpr size_t kMaxSourceBytes = 1 << 20;

// Stops at the first statement that does not fit in the image, and after 20 errors.
AssembleResult Assemble(const std::string& source);

// "FILE:LINE:COLUMN: message"
std::string FormatDiagnostic(const std::string& file, const Diagnostic& diagnostic);

}  // namespace qx9::asmx
