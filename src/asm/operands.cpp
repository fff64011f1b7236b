#include "asm/operands.h"

#include <cctype>

#include "core/machine.h"

namespace qx9::asmx {

int SmallestSizeCode(int value) {
  if (value >= 0 && value <= 1) return 0;
  if (value >= 0 && value <= 15) return 1;
  if (value >= 0 && value <= 255) return 2;
  return 3;
}

std::string CanonicalVariableName(int code) { return std::string(VariableName(code)); }

std::string VariableText(int code) {
  const bool canonical = !(code == 49 || code == 63 || (code >= 50 && code % 2 == 1));
  return canonical ? CanonicalVariableName(code) : "Var" + std::to_string(code);
}

std::string ConstantText(int sizeCode, uint32_t rawValue) {
  const int value = sizeCode == 3 ? static_cast<int16_t>(rawValue) : static_cast<int>(rawValue);
  std::string text = std::to_string(value);
  if (SmallestSizeCode(value) != sizeCode) text += ":" + std::to_string(kValueWidths[sizeCode]);
  return text;
}

namespace {
// Name prefixes, longer ones first where one begins another ("Pins" before "Pin", "Bit" before "B").
struct NameClass {
  const char* Prefix;
  int First;      // code of number 0 (or of the name itself when Count is 0)
  int Count;      // how many numbers follow the prefix; 0: the name takes no number
  int Stride;     // codes between consecutive numbers
};
constexpr NameClass kNames[] = {
    {"Pins", 32, 0, 0}, {"Pin", 0, 8, 1}, {"Dirs", 33, 0, 0}, {"Dir", 8, 8, 1}, {"Bit", 16, 16, 1},
    {"Port", 48, 0, 0}, {"Var", 0, 64, 1}, {"B", 34, 14, 1},  {"W", 50, 7, 2},
};

bool StartsVariable(LineCursor& in) {
  const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(in.Peek())));
  return c == 'P' || c == 'D' || c == 'B' || c == 'V' || c == 'W';
}
}  // namespace

bool TryParseVariable(LineCursor& in, int& code) {
  if (!StartsVariable(in)) return false;
  const int column = in.Column();
  for (const NameClass& name : kNames) {
    LineCursor probe = in;
    if (!probe.Accept(name.Prefix)) continue;
    if (name.Count == 0) {
      in = probe;
      code = name.First;
      return true;
    }
    // The number follows the prefix directly; what follows the number may be an operator ("B3MIN10").
    if (!std::isdigit(static_cast<unsigned char>(probe.Peek())) || probe.Column() != column + static_cast<int>(std::char_traits<char>::length(name.Prefix))) {
      continue;
    }
    long long n = 0;
    probe.Number(n);
    if (n >= name.Count) continue;
    in = probe;
    code = name.First + static_cast<int>(n) * name.Stride;
    return true;
  }
  return false;
}

int ParseVariable(LineCursor& in) {
  int code = 0;
  in.SkipBlanks();
  const int column = in.Column();
  if (TryParseVariable(in, code)) return code;
  LineCursor probe = in;
  const std::string word = probe.Word();
  if (word.empty()) in.Fail("expected a variable");
  LineCursor::FailAt(column, "unknown variable '" + word + "'");
}

SourceOperand ParseOperand(LineCursor& in) {
  SourceOperand operand;
  in.SkipBlanks();
  operand.Column = in.Column();
  long long value = 0;
  if (in.Number(value)) {
    const std::string written = in.NumberText();  // as written: the value saturates
    if (value < -32768 || value > 65535) {
      LineCursor::FailAt(operand.Column, "constant " + written + " is out of range (-32768..65535)");
    }
    operand.Value = static_cast<int>(value);
    operand.SizeCode = SmallestSizeCode(operand.Value);
    if (in.Accept(":")) {
      long long width = 0;
      const int widthColumn = in.Column();
      if (!in.Number(width) || (width != 1 && width != 4 && width != 8 && width != 16)) {
        LineCursor::FailAt(widthColumn, "a constant's width must be 1, 4, 8 or 16");
      }
      const int code = width == 1 ? 0 : width == 4 ? 1 : width == 8 ? 2 : 3;
      if (code < 3 && (value < 0 || value >= (1 << width))) {
        LineCursor::FailAt(operand.Column,
                           "constant " + written + " does not fit in " + std::to_string(width) + " bits");
      }
      operand.SizeCode = code;
    }
    return operand;
  }
  int code = 0;
  if (TryParseVariable(in, code)) {
    operand.IsConst = false;
    operand.VarCode = code;
    return operand;
  }
  LineCursor probe = in;
  const std::string word = probe.Word();
  if (!word.empty() && std::isalpha(static_cast<unsigned char>(word[0]))) {
    in.Fail("unknown variable '" + word + "'");
  }
  in.Fail(in.AtEnd() ? "expected a constant or a variable" : "expected a constant or a variable, found '" + in.Rest() + "'");
}

void AppendBits(std::vector<Field>& fields, int width, uint32_t value) {
  fields.push_back(Field{width, value & ((1u << width) - 1u), -1});
}

void AppendOperand(std::vector<Field>& fields, const SourceOperand& operand) {
  if (operand.IsConst) {
    AppendBits(fields, 1, 1);
    AppendBits(fields, 2, static_cast<uint32_t>(operand.SizeCode));
    AppendBits(fields, kValueWidths[operand.SizeCode], static_cast<uint32_t>(operand.Value));
  } else {
    AppendBits(fields, 1, 0);
    AppendVariable(fields, operand.VarCode);
  }
}

void AppendVariable(std::vector<Field>& fields, int code) { AppendBits(fields, 6, static_cast<uint32_t>(code)); }

}  // namespace qx9::asmx
