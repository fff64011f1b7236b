#include "asm/printer.h"

#include "asm/operands.h"

namespace qx9::asmx {

namespace {

struct LayoutMismatch {};

struct OperandText {
  std::string Text;
  bool IsVar = false;
  int Code = 0;
};

// Walks the recorded fields after the opcode, checking each width against the layout.
class FieldReader {
 public:
  explicit FieldReader(const Decoded& d) : d_(d) {}

  uint32_t Take(int width) {
    if (next_ >= d_.Fields.size() || d_.Fields[next_].Width != width) throw LayoutMismatch{};
    return d_.Fields[next_++].Value;
  }
  OperandText Operand() {
    if (Take(1) == 1) {
      const int size = static_cast<int>(Take(2));
      return {ConstantText(size, Take(kValueWidths[size])), false, 0};
    }
    const int code = static_cast<int>(Take(6));
    return {VariableText(code), true, code};
  }
  std::string Var() { return VariableText(static_cast<int>(Take(6))); }
  bool Done() const { return next_ == d_.Fields.size(); }

 private:
  const Decoded& d_;
  size_t next_ = 1;
};

std::string Unused(uint32_t value) { return value == 0 ? "" : " [" + std::to_string(value) + "]"; }

std::string OperandTable(FieldReader& in) {
  std::string text = "(";
  do text += in.Operand().Text + ",";
  while (in.Take(1) == 1);
  return text + ")";
}

std::string LetOperator(int code) {
  static constexpr const char* kText[16] = {" #0 ", " #1 ", "-",  "+", "*",  "**",  "//",  "/",
                                            "&/",  "&",    "|/", "|", "^/", "^",   "MIN", "MAX"};
  return kText[code];
}

std::string Let(FieldReader& in) {
  const OperandText first = in.Operand();
  const int target = static_cast<int>(in.Take(6));
  const std::string name = VariableText(target);
  std::vector<std::pair<int, OperandText>> steps;
  OperandText operand = first;
  for (;;) {
    const int code = static_cast<int>(in.Take(4));
    steps.emplace_back(code, operand);
    if (in.Take(1) == 0) break;
    operand = in.Operand();
  }
  std::string text = "Let " + name + "=";
  if (steps[0].first == 1) {
    // "v=v+..." would read as a chain that starts from v's value; the code says so explicitly.
    const bool looksLikeChain = first.IsVar && first.Code == target && steps.size() > 1;
    text += (looksLikeChain ? "#1 " : "") + first.Text;
  } else {
    text += name + LetOperator(steps[0].first) + first.Text;
  }
  for (size_t i = 1; i < steps.size(); ++i) text += LetOperator(steps[i].first) + steps[i].second.Text;
  return text;
}

std::string If(FieldReader& in, const TargetNamer& targetName) {
  static constexpr const char* kCompare[8] = {" #0 ", "<", ">", "<>", "=", "<=", ">=", " #7 "};
  std::string text = "If ";
  bool first = true;
  for (;;) {
    const OperandText right = in.Operand();
    const std::string left = in.Var();
    const bool more = in.Take(1) == 1;
    const bool conjunctionAnd = in.Take(1) == 1;
    const int code = static_cast<int>(in.Take(3));
    if (first) {
      if (conjunctionAnd) text += "AND ";  // the first condition is an OR unless it says otherwise
    } else {
      text += conjunctionAnd ? "AND" : "OR";
    }
    first = false;
    text += left + kCompare[code] + right.Text;
    if (!more) break;
  }
  return text + " Then " + targetName(static_cast<int>(in.Take(11)));
}

std::string Fields(const Decoded& d, FieldReader& in, const TargetNamer& targetName) {
  static constexpr const char* kPinKeywords[6] = {"High", "Low", "Input", "Output", "Toggle", "Reverse"};
  switch (d.Opcode) {
    case 0: case 1: case 2: case 3: case 4: case 5:
      return std::string(kPinKeywords[d.Opcode]) + " " + in.Operand().Text;
    case 6: {
      std::string text = "PWM " + in.Operand().Text;
      text += "," + in.Operand().Text;
      return text + "," + in.Operand().Text;
    }
    case 7:
    case 9: {
      std::string text = (d.Opcode == 7 ? "Pot " : "PulsIn ") + in.Operand().Text;
      text += "," + in.Operand().Text;
      return text + "," + in.Var();
    }
    case 8: {
      std::string text = "Pulsout " + in.Operand().Text;
      return text + "," + in.Operand().Text;
    }
    case 10: {
      const std::string start = in.Operand().Text;
      return "For " + in.Var() + "=" + start;
    }
    case 11:
    case 12: {
      const uint32_t unused = in.Take(11);
      std::string text = (d.Opcode == 11 ? "Read " : "Write ") + in.Operand().Text;
      return text + "," + in.Var() + Unused(unused);
    }
    case 13:
    case 22: {
      const std::string first = in.Operand().Text;
      const std::string variable = in.Var();
      return (d.Opcode == 13 ? "Lookdown " : "Lookup ") + first + "," + OperandTable(in) + "," + variable;
    }
    case 14: {
      const uint32_t unused = in.Take(4);
      return "Gosub " + targetName(static_cast<int>(in.Take(11))) + Unused(unused);
    }
    case 15: return "Pause " + in.Operand().Text;
    case 16: return "Random " + in.Var();
    case 17: return "Button";
    case 19: return "Serout";
    case 20: return "Serin";
    case 18: {
      std::string text = "Sound " + in.Operand().Text + ",(";
      do {
        const std::string duration = in.Operand().Text;
        text += in.Operand().Text + "," + duration + ",";
      } while (in.Take(1) == 1);
      return text + ")";
    }
    case 21: return Let(in);
    case 23: {
      const std::string step = in.Operand().Text;
      const std::string variable = in.Var();
      const bool up = in.Take(1) == 1;
      const std::string limitA = in.Operand().Text;
      const std::string limitB = in.Operand().Text;
      return "Next " + variable + " Step " + step + (up ? " Up " : " Down ") + limitA + "," + limitB + " Then " +
             targetName(static_cast<int>(in.Take(11)));
    }
    case 24: return If(in, targetName);
    case 25: return "Goto " + targetName(static_cast<int>(in.Take(11)));
    case 26: {
      std::string text = "Branch " + in.Operand().Text + ",(";
      do text += targetName(static_cast<int>(in.Take(11))) + ",";
      while (in.Take(1) == 1);
      return text + ")";
    }
    case 27: return "Return";
    case 28:
    case 29: {
      const uint32_t unused = in.Take(11);
      return (d.Opcode == 28 ? "Nap " : "Sleep ") + in.Operand().Text + Unused(unused);
    }
    case 30: return "Debug" + Unused(in.Take(11));
    default: return "End";
  }
}

}  // namespace

std::optional<std::string> InstructionSource(const Decoded& d, const TargetNamer& targetName) {
  if (d.Fields.empty() || d.Fields.front().Width != 5) return std::nullopt;
  try {
    FieldReader in(d);
    std::string text = Fields(d, in, targetName);
    if (!in.Done()) return std::nullopt;
    return text;
  } catch (const LayoutMismatch&) {
    return std::nullopt;
  }
}

}  // namespace qx9::asmx
