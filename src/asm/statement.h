#pragma once
// One source line after parsing: its labels and at most one statement, which is an instruction or
// raw bits (fields for the token stream), a move of the code position, or bytes for the image.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/operands.h"

namespace qx9::asmx {

// A jump target as written: a label (resolved after the whole source is read) or a linear address.
struct TargetRef {
  std::string Label;  // empty for an address
  int Address = -1;
  int Column = 0;
};

// `For v = start To limit [Step n]`: the Next that closes it gets its fields from here.
struct LoopOpen {
  int VarCode = 0;
  SourceOperand Start;
  SourceOperand Limit;
  bool HasStep = false;
  SourceOperand Step;
};

struct Statement {
  enum class Kind { None, Code, Org, Bytes };
  Kind What = Kind::None;
  int Column = 0;             // of the keyword or directive
  std::string Keyword;        // as the messages name it
  std::vector<Field> Fields;  // Code: in stream order, opcode first
  std::vector<TargetRef> Targets;
  std::optional<LoopOpen> Open;  // a For with To
  bool CloseLoop = false;        // a plain `Next [v]`: its fields come from the open For
  int CloseVarCode = -1;         // -1: the innermost open For, whatever its variable
  int OrgAddress = 0;
  std::vector<std::pair<int, int>> Bytes;  // (image entry, value 0..255)
};

struct LabelDef {
  std::string Name;
  int Column = 0;
};

struct ParsedLine {
  std::vector<LabelDef> Labels;
  Statement Stmt;
};

// Throws SyntaxError for a line that cannot be read.
ParsedLine ParseLine(std::string_view text);

}  // namespace qx9::asmx
