#include "asm/printer.h"

#include "asm/operands.h"
#include "core/instruction_set.h"

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
    const int code = static_cast<int>(Take(kVariableWidth));
    return {VariableText(code), true, code};
  }
  std::string Var() { return VariableText(static_cast<int>(Take(kVariableWidth))); }
  bool Done() const { return next_ == d_.Fields.size(); }

 private:
  const Decoded& d_;
  size_t next_ = 1;
};

std::string Unused(uint32_t value) { return value == 0 ? "" : " [" + std::to_string(value) + "]"; }

template <typename Entry>
std::string Table(FieldReader& in, Entry entry) {
  std::string text = "(";
  do text += entry() + ",";
  while (in.Take(1) == 1);
  return text + ")";
}

// A code with no text of its own is written by number.
std::string CodeText(std::string_view text, int code) {
  return text.empty() ? " #" + std::to_string(code) + " " : std::string(text);
}

// "v=..." of Let: the chain as the panel writes it, where that reads back to the same fields.
std::string LetChain(FieldReader& in) {
  const OperandText first = in.Operand();
  const int target = static_cast<int>(in.Take(kVariableWidth));
  const std::string name = VariableText(target);
  std::vector<std::pair<int, OperandText>> steps;
  OperandText operand = first;
  for (;;) {
    const int code = static_cast<int>(in.Take(kOperatorWidth));
    steps.emplace_back(code, operand);
    if (in.Take(1) == 0) break;
    operand = in.Operand();
  }
  std::string text = name + "=";
  if (steps[0].first == 1) {
    // "v=v+..." would read as a chain that starts from v's value; the code says so explicitly.
    const bool looksLikeChain = first.IsVar && first.Code == target && steps.size() > 1;
    text += (looksLikeChain ? "#1 " : "") + first.Text;
  } else {
    text += name + CodeText(OperatorText(steps[0].first), steps[0].first) + first.Text;
  }
  for (size_t i = 1; i < steps.size(); ++i) {
    text += CodeText(OperatorText(steps[i].first), steps[i].first) + steps[i].second.Text;
  }
  return text;
}

// The conditions of If, left side first; the first is an OR unless it says otherwise.
std::string Conditions(FieldReader& in) {
  std::string text;
  bool first = true;
  for (;;) {
    const OperandText right = in.Operand();
    const std::string left = in.Var();
    const bool more = in.Take(1) == 1;
    const bool conjunctionAnd = in.Take(1) == 1;
    const int code = static_cast<int>(in.Take(kComparisonWidth));
    if (first) {
      if (conjunctionAnd) text += std::string(ConjunctionText(true)) + " ";
    } else {
      text += ConjunctionText(conjunctionAnd);
    }
    first = false;
    text += left + CodeText(ComparisonText(code), code) + right.Text;
    if (!more) break;
  }
  return text;
}

// Sound's groups are stored duration first; the text puts the note first.
std::string SoundGroup(FieldReader& in) {
  const std::string duration = in.Operand().Text;
  return in.Operand().Text + "," + duration;
}

std::string FieldText(FieldReader& in, const FieldForm& form, const TargetNamer& targetName) {
  const auto target = [&] { return targetName(static_cast<int>(in.Take(kTargetWidth))); };
  switch (form.Kind) {
    case FieldKind::Operand: return in.Operand().Text;
    case FieldKind::Variable: return in.Var();
    case FieldKind::Target: return target();
    case FieldKind::Unused: return Unused(in.Take(form.Width));
    case FieldKind::Direction: return in.Take(1) == 1 ? "Up" : "Down";
    case FieldKind::OperandList: return Table(in, [&] { return in.Operand().Text; });
    case FieldKind::TargetList: return Table(in, target);
    case FieldKind::SoundList: return Table(in, [&] { return SoundGroup(in); });
    case FieldKind::LetChain: return LetChain(in);
    case FieldKind::Conditions: return Conditions(in);
  }
  throw LayoutMismatch{};
}

// The source form with each {N} replaced by field N's text.
std::string Fill(std::string_view source, const std::vector<std::string>& pieces) {
  std::string text;
  for (size_t i = 0; i < source.size(); ++i) {
    if (source[i] == '{' && i + 2 < source.size() && source[i + 2] == '}') {
      text += pieces.at(static_cast<size_t>(source[i + 1] - '0'));
      i += 2;
    } else {
      text += source[i];
    }
  }
  return text;
}

}  // namespace

std::optional<std::string> InstructionSource(const Decoded& d, const TargetNamer& targetName) {
  if (d.Fields.empty() || d.Fields.front().Width != kOpcodeWidth) return std::nullopt;
  try {
    FieldReader in(d);
    const InstructionForm& form = FormOf(d.Opcode);
    std::vector<std::string> pieces;
    for (int i = 0; i < form.FieldCount; ++i) pieces.push_back(FieldText(in, form.Fields[i], targetName));
    std::string text = Fill(form.Source, pieces);
    if (!in.Done()) return std::nullopt;
    return text;
  } catch (const LayoutMismatch&) {
    return std::nullopt;
  }
}

}  // namespace qx9::asmx
