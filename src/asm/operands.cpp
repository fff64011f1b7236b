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
constexpr std::string_view kCodePrefix = "Var";  // VarN: a variable by its code, 0..63

bool DigitAt(LineCursor& probe) { return std::isdigit(static_cast<unsigned char>(probe.Peek())) != 0; }

// VarN, the number right after the prefix.
bool TryParseCode(LineCursor& in, int column, int& code) {
  LineCursor probe = in;
  if (!probe.Accept(kCodePrefix) || !DigitAt(probe)) return false;
  if (probe.Column() != column + static_cast<int>(kCodePrefix.size())) return false;
  long long n = 0;
  probe.Number(n);
  if (n < 0 || n > 63) return false;
  in = probe;
  code = static_cast<int>(n);
  return true;
}
}  // namespace

// The longest name of the variable table that comes next and is not followed by a further digit
// ("B13" rather than "B1"; "Pins" and "Pin1" apart). What follows may be an operator ("B3MIN10"). Of two
// codes with one name the first is taken (W0 is code 50).
bool TryParseVariable(LineCursor& in, int& code) {
  in.SkipBlanks();
  const int column = in.Column();
  if (TryParseCode(in, column, code)) return true;
  size_t longest = 0;
  for (int c = 0; c < 64; ++c) {
    const std::string_view name = VariableName(c);
    LineCursor probe = in;
    if (name.size() <= longest || !probe.Accept(name) || probe.Column() != column + static_cast<int>(name.size())) {
      continue;
    }
    LineCursor after = probe;
    const bool digitFollows = DigitAt(after) && after.Column() == probe.Column();
    if (std::isdigit(static_cast<unsigned char>(name.back())) && digitFollows) continue;
    longest = name.size();
    code = c;
  }
  if (longest == 0) return false;
  in.Accept(VariableName(code));
  return true;
}

int ParseVariable(LineCursor& in) {
  int code = 0;
  in.SkipBlanks();
  const int column = in.Column();
  if (TryParseVariable(in, code)) return code;
  LineCursor probe = in;
  const std::string word = probe.Word();
  if (word.empty()) in.Fail("expected a variable");
  LineCursor::FailAt(column, "unknown variable '" + Quote(word) + "'");
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
    in.Fail("unknown variable '" + Quote(word) + "'");
  }
  in.Fail(in.AtEnd() ? "expected a constant or a variable"
                     : "expected a constant or a variable, found '" + in.Rest() + "'");
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
