// Two passes over the source: the first parses every line, places code and defines labels (every
// field's width is known without the labels' values); the second resolves jump targets and writes
// the bits, refusing any bit that two statements claim.
#include "asm/assembler.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "asm/lexer.h"
#include "asm/statement.h"
#include "core/instruction_set.h"

namespace qx9::asmx {

namespace {

constexpr int kFirstInstruction = kFirstTokenAddress;
constexpr int kImageBits = kEndAddress;
constexpr size_t kMaxErrors = 20;

struct Label {
  int Address = 0;
  int Line = 0;
};

struct PlacedCode {
  int Line = 0;
  Statement Stmt;
  int Address = 0;
};

struct OpenLoop {
  int Line = 0;
  int Column = 0;
  LoopOpen Loop;
  int BodyAddress = 0;
};

class Assembler {
 public:
  AssembleResult Run(const std::string& source) {
    if (source.size() > kMaxSourceBytes) {
      Error(1, 1,
            "the source is " + std::to_string(source.size()) + " bytes; the most qx9asm reads is " +
                std::to_string(kMaxSourceBytes) + " (1 MiB)");
      return std::move(result_);
    }
    const std::vector<std::string_view> lines = SplitLines(source);
    bool complete = true;
    for (size_t index = 0; index < lines.size() && complete; ++index) {
      const int line = static_cast<int>(index) + 1;
      try {
        Place(line, ParseLine(lines[index]));
      } catch (const SyntaxError& e) {
        Error(line, e.Column, e.Message);
      }
      // Past these nothing more is worth reading: the program cannot fit anyway, or the source is not
      // what the assembler reads (and each further message would only repeat the first ones).
      if (overflowed_) complete = false;
      // One line can add two messages (its own and a loop it closes), so the count may pass the limit.
      if (complete && result_.Errors.size() >= kMaxErrors) {
        result_.Errors.resize(kMaxErrors);
        if (index + 1 < lines.size()) {
          Error(line, 1, "too many errors (" + std::to_string(kMaxErrors) + "); the rest of the source is not checked");
        }
        complete = false;
      }
    }
    // Without the whole source, open loops and undefined labels would only be guesses.
    if (complete) {
      for (const OpenLoop& open : loops_) {
        Error(open.Line, open.Column, "For " + VariableText(open.Loop.VarCode) + " has no Next");
      }
    }
    WriteBytes();
    if (complete) {
      WriteCode();
      for (const PlacedCode& placed : code_) result_.Code.push_back({placed.Line, placed.Address});
    }
    std::stable_sort(result_.Errors.begin(), result_.Errors.end(), [](const Diagnostic& a, const Diagnostic& b) {
      return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
    });
    return std::move(result_);
  }

 private:
  // Messages quote the source; a long name (the parts they quote of a line are cut already) is cut too.
  void Error(int line, int column, const std::string& message) {
    // Past the limit and its closing note, more messages would only bury the first ones.
    if (result_.Errors.size() > kMaxErrors) return;
    constexpr size_t kLongest = 200;
    const std::string cut = message.size() > kLongest ? message.substr(0, kLongest) + "..." : message;
    result_.Errors.push_back({line, column, cut});
  }

  // Pass 1: labels take the current code position; code advances it.
  void Place(int line, ParsedLine parsed) {
    for (const LabelDef& label : parsed.Labels) {
      const std::string key = Upper(label.Name);
      const auto found = labels_.find(key);
      if (found != labels_.end()) {
        Error(line, label.Column,
              "duplicate label '" + Quote(label.Name) + "' (first defined on line " +
                  std::to_string(found->second.Line) + ")");
        continue;
      }
      labels_[key] = Label{cursor_, line};
    }
    Statement& s = parsed.Stmt;
    switch (s.What) {
      case Statement::Kind::None: return;
      case Statement::Kind::Org: cursor_ = s.OrgAddress; return;
      case Statement::Kind::Bytes:
        for (const auto& [entry, value] : s.Bytes) bytes_.push_back({line, s.Column, entry, value});
        return;
      case Statement::Kind::Code: break;
    }
    if (s.CloseLoop) CloseLoop(s);
    int width = 0;
    for (const Field& f : s.Fields) width += f.Width;
    const int address = cursor_;
    if (address + width > kImageBits) {
      Error(line, s.Column,
            "the program does not fit: " + s.Keyword + " ends at bit " + std::to_string(address + width) +
                " of the image's " + std::to_string(kImageBits) + " (data and code share the 256 bytes)");
      overflowed_ = true;
      return;
    }
    cursor_ += width;
    if (s.Open) loops_.push_back(OpenLoop{line, s.Column, *s.Open, cursor_});
    code_.push_back(PlacedCode{line, std::move(s), address});
  }

  // A plain Next takes its fields from the innermost open For: step, variable, direction, the limit
  // (as both limits) and the loop body, which starts right after the For.
  void CloseLoop(Statement& s) {
    const std::string name = s.CloseVarCode >= 0 ? " " + VariableText(s.CloseVarCode) : "";
    if (loops_.empty()) {
      throw SyntaxError{s.Column, "Next" + name +
                                      " without a For ... To (a Next on its own is written "
                                      "Next v Step s Up|Down limit Then target)"};
    }
    const OpenLoop open = loops_.back();
    if (s.CloseVarCode >= 0 && s.CloseVarCode != open.Loop.VarCode) {
      loops_.pop_back();  // one message for the pair is enough
      throw SyntaxError{s.Column, "Next" + name + " does not match For " + VariableText(open.Loop.VarCode) +
                                      " on line " + std::to_string(open.Line)};
    }
    loops_.pop_back();
    const LoopOpen& loop = open.Loop;
    // Counting down: a negative constant step, or (without a step) constant bounds that fall.
    bool down = false;
    SourceOperand step;
    step.Value = 1;
    step.SizeCode = SmallestSizeCode(1);
    if (loop.HasStep) {
      step = loop.Step;
      if (step.IsConst && step.Value < 0 && step.Value >= -32767) {
        down = true;
        step.Value = -step.Value;
        step.SizeCode = SmallestSizeCode(step.Value);
      }
    } else if (loop.Start.IsConst && loop.Limit.IsConst) {
      down = static_cast<int16_t>(loop.Start.Value) > static_cast<int16_t>(loop.Limit.Value);
    }
    AppendOperand(s.Fields, step);
    AppendVariable(s.Fields, loop.VarCode);
    AppendBits(s.Fields, 1, down ? 0 : 1);
    AppendOperand(s.Fields, loop.Limit);
    AppendOperand(s.Fields, loop.Limit);
    AppendBits(s.Fields, 11, static_cast<uint32_t>(open.BodyAddress));
    if (open.BodyAddress > 2047) throw SyntaxError{s.Column, "the loop body starts beyond 7FF, the last address"};
  }

  struct ByteSetting {
    int Line, Column, Entry, Value;
  };

  void WriteBytes() {
    for (const ByteSetting& b : bytes_) {
      if (byteOwner_[b.Entry] != 0) {
        Error(b.Line, b.Column,
              "image entry " + std::to_string(b.Entry) + " is already set on line " +
                  std::to_string(byteOwner_[b.Entry]));
        continue;
      }
      byteOwner_[b.Entry] = b.Line;
      result_.Image[b.Entry] = static_cast<uint8_t>(b.Value);
    }
  }

  // Pass 2: targets resolved, bits written; a bit claimed twice is an error at the later code.
  void WriteCode() {
    bool reportedFit = false;
    for (PlacedCode& placed : code_) {
      Statement& s = placed.Stmt;
      std::vector<int> targets;
      bool ok = true;
      for (const TargetRef& t : s.Targets) {
        int address = t.Address;
        if (!t.Label.empty()) {
          const auto found = labels_.find(Upper(t.Label));
          if (found == labels_.end()) {
            Error(placed.Line, t.Column, "undefined label '" + Quote(t.Label) + "'");
            ok = false;
            continue;
          }
          address = found->second.Address;
          if (address > 2047) {
            Error(placed.Line, t.Column,
                  "label '" + Quote(t.Label) + "' is at the end of the image, beyond 7FF (2047)");
            ok = false;
          }
        }
        targets.push_back(address);
      }
      int address = placed.Address;
      int end = address;
      for (const Field& f : s.Fields) end += f.Width;
      if (end > kImageBits) {
        if (!reportedFit) {
          Error(placed.Line, s.Column,
                "the program does not fit: " + s.Keyword + " ends at bit " + std::to_string(end) + " of the image's " +
                    std::to_string(kImageBits) + " (data and code share the 256 bytes)");
          reportedFit = true;
        }
        continue;
      }
      if (!ok) continue;
      for (const Field& f : s.Fields) {
        const uint32_t value = f.Target >= 0 ? static_cast<uint32_t>(targets[static_cast<size_t>(f.Target)]) : f.Value;
        for (int i = f.Width - 1; i >= 0; --i) {
          if (!WriteBit(placed, address, (value >> i) & 1u)) {
            ok = false;
            break;
          }
          ++address;
        }
        if (!ok) break;
      }
    }
  }

  bool WriteBit(const PlacedCode& placed, int address, uint32_t bit) {
    const int entry = address / 8;
    if (byteOwner_[entry] != 0) {
      Error(placed.Line, placed.Stmt.Column,
            "code runs into data: " + placed.Stmt.Keyword + " at " + Hex(placed.Address) + " reaches image entry " +
                std::to_string(entry) + ", set on line " + std::to_string(byteOwner_[entry]));
      return false;
    }
    if (bitOwner_[address] != 0) {
      Error(placed.Line, placed.Stmt.Column,
            placed.Stmt.Keyword + " at " + Hex(placed.Address) + " overlaps the code of line " +
                std::to_string(bitOwner_[address]) + " at bit " + Hex(address));
      return false;
    }
    bitOwner_[address] = placed.Line;
    if (bit != 0) result_.Image[entry] = static_cast<uint8_t>(result_.Image[entry] | (0x80u >> (address % 8)));
    return true;
  }

  static std::string Hex(int value) {
    std::ostringstream out;
    out << std::uppercase << std::hex << value;
    return out.str();
  }

  AssembleResult result_;
  bool overflowed_ = false;  // a statement ran past the image's end: reading stops there
  int cursor_ = kFirstInstruction;
  std::map<std::string, Label> labels_;
  std::vector<PlacedCode> code_;
  std::vector<OpenLoop> loops_;
  std::vector<ByteSetting> bytes_;
  std::array<int, 256> byteOwner_{};
  std::array<int, kImageBits> bitOwner_{};
};

}  // namespace

AssembleResult Assemble(const std::string& source) { return Assembler().Run(source); }

std::string FormatDiagnostic(const std::string& file, const Diagnostic& d) {
  return file + ":" + std::to_string(d.Line) + ":" + std::to_string(d.Column) + ": " + d.Message;
}

}  // namespace qx9::asmx
