// Source lines -> statements. Each instruction is written as the panel shows it; its fields are put
// into stream order here (the order differs from the text in Let, If, Sound, Read, Write, Gosub...).
#include <cctype>

#include "asm/statement.h"
#include "core/instruction_set.h"

namespace qx9::asmx {

namespace {

void Expect(LineCursor& in, const char* literal) {
  if (in.Accept(literal)) return;
  if (in.AtEnd()) in.Fail(std::string("expected '") + literal + "'");
  in.Fail(std::string("expected '") + literal + "', found '" + in.Rest() + "'");
}

void ExpectWord(LineCursor& in, const char* word, const char* what) {
  if (in.AcceptWord(word)) return;
  if (in.AtEnd()) in.Fail(std::string("expected ") + what);
  in.Fail(std::string("expected ") + what + ", found '" + in.Rest() + "'");
}

int HexValue(const std::string& word) {
  int value = 0;
  for (char c : word) {
    const int d =
        std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    value = value * 16 + d;
    if (value > 0xFFFF) return 0xFFFF;  // far beyond any address; the caller reports it
  }
  return value;
}

// A hex address (0..7FF) in a target or .org position.
int ParseAddressWord(int column, const std::string& word) {
  const int value = HexValue(word);
  if (value > 2047) {
    LineCursor::FailAt(column, "target " + Upper(word) + " is beyond 7FF, the last address (2047)");
  }
  return value;
}

// A jump target: all hex digits make an address (as the panel writes them: 1A3); anything else that
// starts with a letter or underscore is a label. Labels may not consist of hex digits alone.
TargetRef ParseTarget(LineCursor& in) {
  in.SkipBlanks();
  const int column = in.Column();
  const std::string word = in.Word();
  if (word.empty()) in.Fail("expected a jump target (a label or a hex address)");
  if (IsHexWord(word)) return TargetRef{"", ParseAddressWord(column, word), column};
  if (std::isdigit(static_cast<unsigned char>(word[0]))) {
    LineCursor::FailAt(column, "'" + Quote(word) + "' is neither a hex address nor a label");
  }
  return TargetRef{word, -1, column};
}

void AppendTarget(Statement& s, const TargetRef& target) {
  s.Targets.push_back(target);
  s.Fields.push_back(Field{11, 0, static_cast<int>(s.Targets.size()) - 1});
}

// The value of a field the instruction reads and ignores, written as a trailing [N]; 0 when absent.
uint32_t ParseUnused(LineCursor& in, int width) {
  if (!in.Accept("[")) return 0;
  const int column = in.Column();
  long long value = 0;
  const long long limit = (1LL << width) - 1;
  if (!in.Number(value) || value < 0 || value > limit) {
    in.SkipBlanks();
    LineCursor::FailAt(column, "the unused field holds 0.." + std::to_string(limit));
  }
  Expect(in, "]");
  return static_cast<uint32_t>(value);
}

// "#N": an operator or comparison by its code, for the codes the panel shows no text for.
bool TryRawCode(LineCursor& in, int limit, int& code) {
  if (!in.Accept("#")) return false;
  const int column = in.Column();
  long long value = 0;
  if (!in.Number(value) || value < 0 || value > limit) {
    LineCursor::FailAt(column, "a code after '#' must be 0.." + std::to_string(limit));
  }
  code = static_cast<int>(value);
  return true;
}

// The longest of the texts that comes next, so "**" is not read as "*" and "<=" not as "<".
template <typename TextOf>
bool AcceptLongest(LineCursor& in, int count, TextOf textOf, int& code) {
  size_t longest = 0;
  for (int c = 0; c < count; ++c) {
    const std::string_view text = textOf(c);
    LineCursor probe = in;
    if (text.size() > longest && probe.Accept(text)) {
      longest = text.size();
      code = c;
    }
  }
  if (longest == 0) return false;
  in.Accept(textOf(code));
  return true;
}

bool TryOperator(LineCursor& in, int& code) {
  if (TryRawCode(in, 15, code)) return true;
  return AcceptLongest(in, 16, OperatorText, code);
}

std::string ComparisonList() {
  std::string list;
  for (int c = 0; c < 8; ++c) {
    if (!ComparisonText(c).empty()) list += (list.empty() ? "" : ", ") + std::string(ComparisonText(c));
  }
  return "expected a comparison (" + list + ")";
}

int ParseComparison(LineCursor& in) {
  int code = 0;
  if (TryRawCode(in, 7, code)) return code;
  if (AcceptLongest(in, 8, ComparisonText, code)) return code;
  if (in.AtEnd()) in.Fail(ComparisonList());
  in.Fail(ComparisonList() + ", found '" + in.Rest() + "'");
}

// "(a,b,c,)" with the trailing comma optional, at least one entry.
template <typename Entry, typename ParseEntry>
std::vector<Entry> ParseTable(LineCursor& in, ParseEntry parseEntry) {
  Expect(in, "(");
  std::vector<Entry> entries;
  if (in.Peek() == ')') in.Fail("a table needs at least one entry");
  for (;;) {
    entries.push_back(parseEntry(in));
    if (in.Accept(")")) break;
    Expect(in, ",");
    if (in.Accept(")")) break;
  }
  return entries;
}

std::vector<SourceOperand> ParseOperandTable(LineCursor& in) {
  return ParseTable<SourceOperand>(in, [](LineCursor& c) { return ParseOperand(c); });
}

void AppendOperandTable(Statement& s, const std::vector<SourceOperand>& entries) {
  for (size_t i = 0; i < entries.size(); ++i) {
    AppendOperand(s.Fields, entries[i]);
    AppendBits(s.Fields, 1, i + 1 < entries.size() ? 1 : 0);
  }
}

// --- the instructions, in opcode order -------------------------------------------------------

void ParsePin(LineCursor& in, Statement& s) { AppendOperand(s.Fields, ParseOperand(in)); }

void ParseOperands(LineCursor& in, Statement& s, int count) {
  for (int i = 0; i < count; ++i) {
    if (i > 0) Expect(in, ",");
    AppendOperand(s.Fields, ParseOperand(in));
  }
}

void ParsePwm(LineCursor& in, Statement& s) { ParseOperands(in, s, 3); }
void ParsePulsout(LineCursor& in, Statement& s) { ParseOperands(in, s, 2); }
void ParsePause(LineCursor& in, Statement& s) { ParseOperands(in, s, 1); }

// Pot and PulsIn: pin, second operand, target variable.
void ParsePot(LineCursor& in, Statement& s) {
  ParseOperands(in, s, 2);
  Expect(in, ",");
  AppendVariable(s.Fields, ParseVariable(in));
}

// For v=start is the instruction itself; For v=start To limit [Step n] also opens a loop for Next.
void ParseFor(LineCursor& in, Statement& s) {
  const int variable = ParseVariable(in);
  Expect(in, "=");
  const SourceOperand start = ParseOperand(in);
  AppendOperand(s.Fields, start);
  AppendVariable(s.Fields, variable);
  if (!in.AcceptWord("To")) return;
  LoopOpen loop;
  loop.VarCode = variable;
  loop.Start = start;
  loop.Limit = ParseOperand(in);
  if (in.AcceptWord("Step")) {
    loop.HasStep = true;
    loop.Step = ParseOperand(in);
  }
  s.Open = loop;
}

// Read loc,v and Write loc,v: the unused 11-bit field comes first in the stream.
void ParseReadWrite(LineCursor& in, Statement& s) {
  const SourceOperand location = ParseOperand(in);
  Expect(in, ",");
  const int variable = ParseVariable(in);
  AppendBits(s.Fields, 11, ParseUnused(in, 11));
  AppendOperand(s.Fields, location);
  AppendVariable(s.Fields, variable);
}

// Lookup index,(entries),v and Lookdown value,(entries),v: the variable precedes the table.
void ParseLookTable(LineCursor& in, Statement& s) {
  const SourceOperand first = ParseOperand(in);
  Expect(in, ",");
  const std::vector<SourceOperand> entries = ParseOperandTable(in);
  Expect(in, ",");
  AppendOperand(s.Fields, first);
  AppendVariable(s.Fields, ParseVariable(in));
  AppendOperandTable(s, entries);
}

void ParseGosub(LineCursor& in, Statement& s) {
  const TargetRef target = ParseTarget(in);
  AppendBits(s.Fields, 4, ParseUnused(in, 4));
  AppendTarget(s, target);
}

void ParseRandom(LineCursor& in, Statement& s) { AppendVariable(s.Fields, ParseVariable(in)); }

// Button, Serout, Serin read no fields; the panel's "Button Unimplemented!" is accepted as well.
void ParseUnimplemented(LineCursor& in, Statement&) {
  if (in.AcceptWord("Unimplemented")) in.Accept("!");
}

// Sound pin,(note,code,note,code,): the stream holds each group as code, note, continuation bit.
void ParseSound(LineCursor& in, Statement& s) {
  AppendOperand(s.Fields, ParseOperand(in));
  Expect(in, ",");
  const std::vector<SourceOperand> items = ParseOperandTable(in);
  if (items.size() % 2 != 0) {
    in.Fail("Sound needs pairs of note and duration: (note,duration,...)");
  }
  for (size_t i = 0; i < items.size(); i += 2) {
    AppendOperand(s.Fields, items[i + 1]);
    AppendOperand(s.Fields, items[i]);
    AppendBits(s.Fields, 1, i + 2 < items.size() ? 1 : 0);
  }
}

// Let v=expr. The stream holds operand 0, the target, then (operator, continuation) pairs with an
// operand between them; each operator applies to the operand read before it. "Let v=v+1" is written
// the natural way (operand 1, operator +: the chain starts from v's value); "Let v=x..." with any other
// first operand assigns it first (operator code 1). A leading "#N x" gives the first operator by its
// code, for the forms the natural reading would not produce ("Let B0=#1 B0+1").
void ParseLet(LineCursor& in, Statement& s) {
  const int target = ParseVariable(in);
  Expect(in, "=");
  std::vector<std::pair<int, SourceOperand>> steps;
  int code = 0;
  if (TryRawCode(in, 15, code)) {
    steps.emplace_back(code, ParseOperand(in));
  } else {
    const SourceOperand first = ParseOperand(in);
    if (TryOperator(in, code)) {
      if (!(!first.IsConst && first.VarCode == target)) steps.emplace_back(1, first);
      steps.emplace_back(code, ParseOperand(in));
    } else {
      steps.emplace_back(1, first);
    }
  }
  while (TryOperator(in, code)) steps.emplace_back(code, ParseOperand(in));
  for (size_t i = 0; i < steps.size(); ++i) {
    AppendOperand(s.Fields, steps[i].second);
    if (i == 0) AppendVariable(s.Fields, target);
    AppendBits(s.Fields, 4, static_cast<uint32_t>(steps[i].first));
    AppendBits(s.Fields, 1, i + 1 < steps.size() ? 1 : 0);
  }
}

// Next v closes the innermost For ... To; the full form carries every field:
//   Next v Step s Up|Down limitUp[,limitDown] Then target
void ParseNext(LineCursor& in, Statement& s) {
  if (in.AtEnd()) {
    s.CloseLoop = true;
    return;
  }
  const int variable = ParseVariable(in);
  if (!in.AcceptWord("Step")) {
    s.CloseLoop = true;
    s.CloseVarCode = variable;
    return;
  }
  AppendOperand(s.Fields, ParseOperand(in));
  AppendVariable(s.Fields, variable);
  int up = 0;
  if (in.AcceptWord("Up")) {
    up = 1;
  } else {
    ExpectWord(in, "Down", "Up or Down");
  }
  AppendBits(s.Fields, 1, static_cast<uint32_t>(up));
  const SourceOperand limitA = ParseOperand(in);
  const SourceOperand limitB = in.Accept(",") ? ParseOperand(in) : limitA;
  AppendOperand(s.Fields, limitA);
  AppendOperand(s.Fields, limitB);
  ExpectWord(in, kThenWord.data(), kThenWord.data());
  AppendTarget(s, ParseTarget(in));
}

// If v<x AND w=y ... Then target. The stream holds the right side before the left, and after each
// condition its continuation bit, conjunction bit (1 AND, 0 OR) and comparison code. The first
// condition's conjunction is OR unless the chain starts with the word AND.
void ParseIf(LineCursor& in, Statement& s) {
  struct Condition {
    int And = 0;
    int Compare = 0;
    int Variable = 0;
    SourceOperand Right;
  };
  std::vector<Condition> conditions;
  int conjunction = 0;
  if (in.Accept(ConjunctionText(true))) {
    conjunction = 1;
  } else {
    in.Accept(ConjunctionText(false));
  }
  for (;;) {
    Condition c;
    c.And = conjunction;
    c.Variable = ParseVariable(in);
    c.Compare = ParseComparison(in);
    c.Right = ParseOperand(in);
    conditions.push_back(c);
    if (in.Accept(ConjunctionText(true))) {
      conjunction = 1;
    } else if (in.Accept(ConjunctionText(false))) {
      conjunction = 0;
    } else {
      break;
    }
  }
  ExpectWord(in, kThenWord.data(), "AND, OR or Then");
  const TargetRef target = ParseTarget(in);
  in.Accept("(->)");  // the panel's mark of a jump that would be taken
  for (size_t i = 0; i < conditions.size(); ++i) {
    const Condition& c = conditions[i];
    AppendOperand(s.Fields, c.Right);
    AppendVariable(s.Fields, c.Variable);
    AppendBits(s.Fields, 1, i + 1 < conditions.size() ? 1 : 0);
    AppendBits(s.Fields, 1, static_cast<uint32_t>(c.And));
    AppendBits(s.Fields, 3, static_cast<uint32_t>(c.Compare));
  }
  AppendTarget(s, target);
}

void ParseGoto(LineCursor& in, Statement& s) { AppendTarget(s, ParseTarget(in)); }

void ParseBranch(LineCursor& in, Statement& s) {
  AppendOperand(s.Fields, ParseOperand(in));
  Expect(in, ",");
  const std::vector<TargetRef> targets = ParseTable<TargetRef>(in, ParseTarget);
  for (size_t i = 0; i < targets.size(); ++i) {
    AppendTarget(s, targets[i]);
    AppendBits(s.Fields, 1, i + 1 < targets.size() ? 1 : 0);
  }
}

void ParseNothing(LineCursor&, Statement&) {}

// Nap n and Sleep s: the unused 11-bit field comes first in the stream.
void ParseNapSleep(LineCursor& in, Statement& s) {
  const SourceOperand operand = ParseOperand(in);
  AppendBits(s.Fields, 11, ParseUnused(in, 11));
  AppendOperand(s.Fields, operand);
}

void ParseDebug(LineCursor& in, Statement& s) { AppendBits(s.Fields, 11, ParseUnused(in, 11)); }

using InstructionParser = void (*)(LineCursor&, Statement&);
// Indexed by opcode; the keywords are the instruction set's.
constexpr InstructionParser kParsers[kOpcodeCount] = {
    ParsePin,       ParsePin,           ParsePin,           ParsePin,     ParsePin,       ParsePin,
    ParsePwm,       ParsePot,           ParsePulsout,       ParsePot,     ParseFor,       ParseReadWrite,
    ParseReadWrite, ParseLookTable,     ParseGosub,         ParsePause,   ParseRandom,    ParseUnimplemented,
    ParseSound,     ParseUnimplemented, ParseUnimplemented, ParseLet,     ParseLookTable, ParseNext,
    ParseIf,        ParseGoto,          ParseBranch,        ParseNothing, ParseNapSleep,  ParseNapSleep,
    ParseDebug,     ParseNothing,
};

// --- directives ------------------------------------------------------------------------------

int ParseByteValue(LineCursor& in) {
  in.SkipBlanks();
  const int column = in.Column();
  long long value = 0;
  if (!in.Number(value)) in.Fail("expected a byte value");
  if (value < -128 || value > 255) LineCursor::FailAt(column, "a byte value must be -128..255");
  return static_cast<int>(value & 255);
}

// .byte N, v, ...   raw bytes from image entry N upward (entries 0 and 1 included)
// .data A, v, ...   bytes for Read/Write from data location A upward (location a is entry 255 - a)
void ParseBytes(LineCursor& in, Statement& s, bool dataLocations) {
  in.SkipBlanks();
  const int column = in.Column();
  long long first = 0;
  if (!in.Number(first)) in.Fail(dataLocations ? "expected a data location" : "expected an image entry");
  if (first < 0 || first > 255) {
    LineCursor::FailAt(column, dataLocations ? "a data location must be 0..255" : "an image entry must be 0..255");
  }
  Expect(in, ",");
  int k = 0;
  do {
    in.SkipBlanks();
    const int valueColumn = in.Column();
    const int value = ParseByteValue(in);
    const long long entry = dataLocations ? 255 - first - k : first + k;
    if (entry < 0 || entry > 255) LineCursor::FailAt(valueColumn, "this byte lies outside the image");
    s.Bytes.emplace_back(static_cast<int>(entry), value);
    ++k;
  } while (in.Accept(","));
}

void ParseDirective(LineCursor& in, Statement& s) {
  in.Accept(".");
  const std::string name = Upper(in.Word());
  s.Keyword = "." + name;
  if (name == "ORG") {
    s.What = Statement::Kind::Org;
    in.SkipBlanks();
    const int column = in.Column();
    const std::string word = in.Word();
    if (!IsHexWord(word)) LineCursor::FailAt(column, "expected a hex address");
    s.OrgAddress = ParseAddressWord(column, word);
  } else if (name == "BITS") {
    s.What = Statement::Kind::Code;
    while (!in.AtEnd()) {
      const char c = in.Peek();
      if (c != '0' && c != '1' && c != '_') in.Fail("expected binary digits (0 and 1)");
      in.Accept(std::string(1, c));
      if (c != '_') AppendBits(s.Fields, 1, static_cast<uint32_t>(c - '0'));
    }
    if (s.Fields.empty()) in.Fail("expected binary digits (0 and 1)");
  } else if (name == "BYTE" || name == "DATA") {
    s.What = Statement::Kind::Bytes;
    ParseBytes(in, s, name == "DATA");
  } else {
    LineCursor::FailAt(s.Column, "unknown directive '" + Quote(s.Keyword) + "' (use .org, .bits, .byte or .data)");
  }
}

}  // namespace

ParsedLine ParseLine(std::string_view text) {
  ParsedLine line;
  LineCursor in(text);
  for (;;) {  // labels: "name:" at the start of the line, any number of them
    LineCursor probe = in;
    probe.SkipBlanks();
    const int column = probe.Column();
    const std::string word = probe.Word();
    if (word.empty() || std::isdigit(static_cast<unsigned char>(word[0])) || !probe.Accept(":")) break;
    if (IsHexWord(word)) {
      LineCursor::FailAt(
          column,
          "label '" + Quote(word) + "' reads as a hex address; a label needs a letter other than A-F or an underscore");
    }
    line.Labels.push_back(LabelDef{word, column});
    in = probe;
  }
  if (in.AtEnd()) return line;
  Statement& s = line.Stmt;
  s.Column = in.Column();
  if (in.Peek() == '.') {
    ParseDirective(in, s);
  } else {
    const std::string keyword = in.Word();
    if (keyword.empty()) in.Fail("expected an instruction, found '" + in.Rest() + "'");
    int opcode = -1;
    for (int i = 0; i < kOpcodeCount; ++i) {
      if (Upper(keyword) == Upper(std::string(FormOf(i).Keyword))) opcode = i;
    }
    if (opcode < 0) LineCursor::FailAt(s.Column, "unknown instruction '" + Quote(keyword) + "'");
    s.What = Statement::Kind::Code;
    s.Keyword = FormOf(opcode).Keyword;
    AppendBits(s.Fields, kOpcodeWidth, static_cast<uint32_t>(opcode));
    kParsers[opcode](in, s);
  }
  if (!in.AtEnd()) in.Fail("unexpected '" + in.Rest() + "' after " + s.Keyword);
  return line;
}

}  // namespace qx9::asmx
