#include "core/breakpoints.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qx9 {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// A small scanner over the typed text: names, numbers and the comparison signs, blanks skipped.
class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}
  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  // A run of letters and digits, with a leading sign for numbers.
  std::string Word() {
    SkipBlanks();
    const size_t start = pos_;
    if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) ++pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }
  std::string Sign() {
    SkipBlanks();
    const size_t start = pos_;
    while (pos_ < text_.size() && (text_[pos_] == '<' || text_[pos_] == '>' || text_[pos_] == '=')) ++pos_;
    return text_.substr(start, pos_ - start);
  }
  std::string Rest() {
    SkipBlanks();
    return text_.substr(pos_);
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

constexpr const char* kVariableHelp = "W0..W6, B0..B13, Bit0..Bit15, Pin0..Pin7, Dir0..Dir7, Pins, Dirs or Port";

struct CompareSign {
  const char* Text;
  Condition::Compare Op;
};
constexpr CompareSign kSigns[] = {
    {"<", Condition::Compare::Less},         {">", Condition::Compare::Greater},
    {"<>", Condition::Compare::NotEqual},    {"=", Condition::Compare::Equal},
    {"<=", Condition::Compare::LessOrEqual}, {">=", Condition::Compare::GreaterOrEqual},
};

bool Compare(Condition::Compare op, int16_t left, int16_t right) {
  switch (op) {
    case Condition::Compare::Less: return left < right;
    case Condition::Compare::Greater: return left > right;
    case Condition::Compare::NotEqual: return left != right;
    case Condition::Compare::Equal: return left == right;
    case Condition::Compare::LessOrEqual: return left <= right;
    case Condition::Compare::GreaterOrEqual: return left >= right;
  }
  return false;
}

const char* SignText(Condition::Compare op) {
  for (const CompareSign& s : kSigns) {
    if (s.Op == op) return s.Text;
  }
  return "?";
}

bool LooksNumeric(const std::string& word) {
  const size_t start = !word.empty() && (word[0] == '-' || word[0] == '+') ? 1 : 0;
  return start < word.size() && std::isdigit(static_cast<unsigned char>(word[start])) != 0;
}

}  // namespace

std::string AddressText(int address) {
  char text[8];
  std::snprintf(text, sizeof text, "@%03X", static_cast<unsigned>(address) & 0xFFFu);
  return text;
}

int FindVariableCode(const std::string& name) {
  const std::string wanted = Lower(name);
  for (int code = 0; code < 64; ++code) {
    const std::string_view known = VariableName(code);
    if (!known.empty() && Lower(std::string(known)) == wanted) return code;
  }
  return -1;
}

int16_t VariableValue(const MachineState& state, int code) {
  const VarRef ref = VariableRef(code);
  if (ref.Mask == 0 || ref.Index < 0 || ref.Index > 7) return 0;
  // Only the 16-bit pattern counts, as for the instructions' own reads.
  const uint32_t pattern = static_cast<uint32_t>(state.Ram[static_cast<size_t>(ref.Index)]) & 0xFFFFu;
  return WrapWord(static_cast<int32_t>((pattern >> ref.Shift) & static_cast<uint32_t>(ref.Mask)));
}

std::optional<Condition> ParseCondition(const std::string& text, std::string& error) {
  Scanner scan(text);
  if (scan.AtEnd()) {
    error = "write a comparison such as W0 > 100";
    return std::nullopt;
  }
  Condition c;
  const std::string left = scan.Word();
  if (left.empty()) {
    error = "a condition starts with a variable (" + std::string(kVariableHelp) + ")";
    return std::nullopt;
  }
  if (LooksNumeric(left)) {
    error = "the left side must be a variable, as in an If: write the constant on the right";
    return std::nullopt;
  }
  c.LeftCode = FindVariableCode(left);
  if (c.LeftCode < 0) {
    error = "'" + left + "' is not a variable (" + kVariableHelp + ")";
    return std::nullopt;
  }
  const std::string sign = scan.Sign();
  const auto found =
      std::find_if(std::begin(kSigns), std::end(kSigns), [&](const CompareSign& s) { return sign == s.Text; });
  if (found == std::end(kSigns)) {
    error = "after " + left + " comes a comparison: <, >, <>, =, <= or >=";
    if (!sign.empty()) error += " ('" + sign + "' is none)";
    return std::nullopt;
  }
  c.Op = found->Op;
  const std::string right = scan.Word();
  if (right.empty()) {
    error = "after " + sign + " comes a variable or a decimal constant";
    return std::nullopt;
  }
  if (LooksNumeric(right)) {
    const std::optional<int16_t> value = ParseWholeNumber(right);
    if (!value) {
      error = "'" + right + "' is not a decimal constant in -32768..32767";
      return std::nullopt;
    }
    c.RightValue = *value;
  } else {
    c.RightIsConstant = false;
    c.RightCode = FindVariableCode(right);
    if (c.RightCode < 0) {
      error = "'" + right + "' is not a variable (" + kVariableHelp + ") nor a decimal constant";
      return std::nullopt;
    }
  }
  if (!scan.AtEnd()) {
    error = "unexpected '" + scan.Rest() + "' after the comparison (one comparison per condition)";
    return std::nullopt;
  }
  const std::string rightText =
      c.RightIsConstant ? std::to_string(c.RightValue) : std::string(VariableName(c.RightCode));
  c.Text = std::string(VariableName(c.LeftCode)) + " " + SignText(c.Op) + " " + rightText;
  return c;
}

bool ConditionHolds(const Condition& c, const MachineState& state) {
  const int16_t left = VariableValue(state, c.LeftCode);
  const int16_t right = c.RightIsConstant ? c.RightValue : VariableValue(state, c.RightCode);
  return Compare(c.Op, left, right);
}

std::optional<Watch> ParseWatch(const std::string& text, std::string& error) {
  Scanner scan(text);
  const std::string word = scan.Word();
  Watch w;
  if (Lower(word) == "image") {
    std::string rest = scan.Rest();
    // "Image 40" and "Image[40]" alike.
    if (!rest.empty() && rest.front() == '[' && rest.back() == ']') rest = rest.substr(1, rest.size() - 2);
    const std::optional<int16_t> index = ParseWholeNumber(rest);
    if (!index || *index < 0 || *index >= kImageSize) {
      error = "an image byte is written Image N, with N a decimal index 0..255";
      return std::nullopt;
    }
    w.IsImageByte = true;
    w.Code = *index;
    w.Text = "Image " + std::to_string(*index);
    return w;
  }
  w.Code = FindVariableCode(word);
  if (word.empty() || w.Code < 0) {
    error = "watch a variable (" + std::string(kVariableHelp) + ") or an image byte (Image N)";
    return std::nullopt;
  }
  if (!scan.AtEnd()) {
    error = "unexpected '" + scan.Rest() + "' after " + word;
    return std::nullopt;
  }
  w.Text = std::string(VariableName(w.Code));
  return w;
}

int WatchValue(const MachineState& state, const Watch& watch) {
  if (watch.IsImageByte) return state.Eeprom[static_cast<size_t>(watch.Code)];
  return VariableValue(state, watch.Code);
}

Breakpoints::~Breakpoints() { Detach(); }

void Breakpoints::Attach(Machine& machine) {
  Detach();
  machine_ = &machine;
  machine.AddListener(*this);
  machine.SetBreakCheck([this](const Machine& m) { return ShouldBreak(m); });
  TakeBaseline(machine);
}

void Breakpoints::Detach() {
  if (machine_ == nullptr) return;
  machine_->RemoveListener(*this);
  machine_->SetBreakCheck({});
  machine_ = nullptr;
}

void Breakpoints::Toggle(int address) { Set(address, !Has(address)); }

void Breakpoints::Set(int address, bool on) {
  if (on) {
    addresses_.insert(address);
  } else {
    addresses_.erase(address);
  }
}

bool Breakpoints::AddCondition(const std::string& text, std::string& error) {
  std::optional<Condition> c = ParseCondition(text, error);
  if (!c) return false;
  conditions_.push_back(std::move(*c));
  return true;
}

void Breakpoints::RemoveCondition(size_t index) {
  if (index < conditions_.size()) conditions_.erase(conditions_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool Breakpoints::AddWatch(const std::string& text, const MachineState& state, std::string& error) {
  std::optional<Watch> w = ParseWatch(text, error);
  if (!w) return false;
  watchLast_.push_back(WatchValue(state, *w));
  watches_.push_back(std::move(*w));
  return true;
}

void Breakpoints::RemoveWatch(size_t index) {
  if (index >= watches_.size()) return;
  watches_.erase(watches_.begin() + static_cast<std::ptrdiff_t>(index));
  watchLast_.erase(watchLast_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool Breakpoints::ShouldBreak(const Machine& machine) {
  const int at = machine.LinearAddress();
  std::string reason;
  if (runTo_ && *runTo_ == at) {
    reason = "run to cursor " + AddressText(at);
  } else if (Has(at)) {
    reason = "breakpoint " + AddressText(at);
  } else if (!watchHit_.empty() && watchHitAt_ == machine.InstructionsExecuted) {
    reason = watchHit_;
  } else {
    for (const Condition& c : conditions_) {
      if (ConditionHolds(c, machine)) {
        reason = c.Text;
        break;
      }
    }
  }
  if (reason.empty()) return false;
  reason_ = reason;
  watchHit_.clear();
  runTo_.reset();
  return true;
}

// Every change is taken in, so a watch stops the run once per change, not once per instruction after it.
// A change made by a Step outside any run is stale by the time a run checks, hence the instruction count.
void Breakpoints::AfterInstruction(const Machine& machine) {
  if (watchHitAt_ != machine.InstructionsExecuted) watchHit_.clear();
  for (size_t i = 0; i < watches_.size(); ++i) {
    const int now = WatchValue(machine, watches_[i]);
    if (now != watchLast_[i] && watchHit_.empty()) {
      watchHit_ = watches_[i].Text + " changed: " + std::to_string(watchLast_[i]) + " -> " + std::to_string(now);
      watchHitAt_ = machine.InstructionsExecuted;
    }
    watchLast_[i] = now;
  }
}

// A change from outside (a typed word, a switch) is the user's own: it moves the baseline, it stops nothing.
void Breakpoints::OnExternalChange(const Machine& machine) { TakeBaseline(machine); }

void Breakpoints::TakeBaseline(const MachineState& state) {
  for (size_t i = 0; i < watches_.size(); ++i) watchLast_[i] = WatchValue(state, watches_[i]);
}

}  // namespace qx9
