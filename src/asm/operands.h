#pragma once
// Operands as source text: variable names and their 6-bit codes, constants and their size codes.
// Shared by the parser (text -> fields) and the listing (fields -> text), so both agree on every form.
//
//   variable   Pin0..7 Dir0..7 Bit0..15 Pins Dirs B0..B13 Port W0..W6, any letter case;
//              VarN (N = 0..63) names a code directly: the codes without a name of their own (49, 63)
//              and the odd word codes 51..61, which read the same word as the even code below.
//   constant   -32768..65535 in decimal (65535 and -1 are the same 16-bit pattern). The size code is the
//              smallest that holds it (0..1: 1 bit, ..15: 4 bits, ..255: 8 bits, else 16 bits);
//              a suffix :1, :4, :8 or :16 forces the width of the value field.

#include <cstdint>
#include <string>
#include <vector>

#include "asm/lexer.h"

namespace qx9::asmx {

constexpr int kValueWidths[4] = {1, 4, 8, 16};

struct SourceOperand {
  bool IsConst = true;
  int Value = 0;     // constant as written
  int SizeCode = 0;  // 0..3
  int VarCode = 0;   // 0..63
  int Column = 0;
};

// A field of the token stream: `Width` bits of Value, or an 11-bit jump target to resolve later.
struct Field {
  int Width = 0;
  uint32_t Value = 0;
  int Target = -1;  // index into the statement's targets, or -1
};

int SmallestSizeCode(int value);
// The canonical name of a variable code, or "" for 49 and 63.
std::string CanonicalVariableName(int code);
// The name the listing writes: canonical where it gives back the code, else VarN.
std::string VariableText(int code);
// A constant from its size code and value field as read from the stream.
std::string ConstantText(int sizeCode, uint32_t rawValue);

// Parsing, at the cursor (blanks skipped first). Each fails with a message on bad input.
int ParseVariable(LineCursor& in);
SourceOperand ParseOperand(LineCursor& in);
// A variable, or nothing (false) when no variable name comes next.
bool TryParseVariable(LineCursor& in, int& code);

void AppendBits(std::vector<Field>& fields, int width, uint32_t value);
void AppendOperand(std::vector<Field>& fields, const SourceOperand& operand);
void AppendVariable(std::vector<Field>& fields, int code);

}  // namespace qx9::asmx
