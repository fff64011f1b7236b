#include "random_program.h"

#include <cctype>
#include <functional>
#include <utility>
#include <vector>

namespace qx9::asmx::test {

namespace {

using qx9::test::C;
using qx9::test::Condition;
using qx9::test::LetStep;
using qx9::test::Operand;
using qx9::test::Target;
using qx9::test::VCode;

class Generator {
 public:
  explicit Generator(std::mt19937& rng) : rng_(rng) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Int(1, 100) <= percent; }

  // Any letter case, as the assembler must take it.
  std::string Cased(std::string text) {
    const int mode = Int(0, 5);
    for (char& c : text) {
      if (mode == 0) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (mode == 1) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
  }
  std::string Blank() { return Chance(20) ? " " : ""; }

  std::string VarName(int code) {
    if (code <= 7) return "Pin" + std::to_string(code);
    if (code <= 15) return "Dir" + std::to_string(code - 8);
    if (code <= 31) return "Bit" + std::to_string(code - 16);
    if (code == 32) return "Pins";
    if (code == 33) return "Dirs";
    if (code <= 47) return "B" + std::to_string(code - 34);
    if (code == 48) return "Port";
    if (code == 49 || code == 63 || code % 2 == 1) return "Var" + std::to_string(code);
    return Chance(10) ? "Var" + std::to_string(code) : "W" + std::to_string((code - 50) / 2);
  }

  std::pair<Operand, std::string> Variable() {
    const int code = Chance(85) ? Int(0, 63) : (Chance(50) ? 49 : 63);
    return {VCode(code), Cased(VarName(code))};
  }

  std::pair<Operand, std::string> Constant() {
    static constexpr int kRanges[][2] = {{0, 1}, {2, 15}, {16, 255}, {256, 32767}, {-32768, -1}, {32768, 65535}};
    const auto& range = kRanges[Int(0, 5)];
    const int value = Int(range[0], range[1]);
    const int smallest = value >= 0 && value <= 1 ? 0 : value >= 0 && value <= 15 ? 1 : value >= 0 && value <= 255 ? 2 : 3;
    if (Chance(75)) return {C(value), std::to_string(value)};
    const int size = Int(smallest, 3);
    static constexpr int kWidths[4] = {1, 4, 8, 16};
    return {C(value, size), std::to_string(value) + ":" + std::to_string(kWidths[size])};
  }

  std::pair<Operand, std::string> Any() { return Chance(50) ? Constant() : Variable(); }

  std::pair<Target, std::string> JumpTarget(const std::vector<std::string>& labels) {
    if (!labels.empty() && Chance(80)) {
      const std::string& label = labels[static_cast<size_t>(Int(0, static_cast<int>(labels.size()) - 1))];
      return {Target(label), Cased(label)};
    }
    const int address = Int(0, 2047);
    char hex[8];
    std::snprintf(hex, sizeof hex, Chance(50) ? "%X" : "%03x", address);
    return {Target(address), hex};
  }

  std::string Unused(int value) { return value == 0 && Chance(70) ? "" : " [" + std::to_string(value) + "]"; }

  std::pair<std::vector<Operand>, std::string> Table(int maxEntries) {
    std::vector<Operand> entries;
    std::string text = "(";
    const int n = Int(1, maxEntries);
    for (int i = 0; i < n; ++i) {
      auto [o, t] = Any();
      entries.push_back(o);
      text += (i > 0 ? "," : "") + Blank() + t;
    }
    return {entries, text + (Chance(50) ? ",)" : ")")};
  }

  // One instruction appended to both forms.
  void Instruction(RandomProgram& p, const std::vector<std::string>& labels) {
    auto& b = p.Builder;
    std::string& s = p.Source;
    static const char* kPins[6] = {"High", "Low", "Input", "Output", "Toggle", "Reverse"};
    const int opcode = Int(0, 31);
    s += "  ";
    switch (opcode) {
      case 0: case 1: case 2: case 3: case 4: case 5: {
        auto [o, t] = Any();
        using Pin = qx9::test::ProgramBuilder& (qx9::test::ProgramBuilder::*)(const Operand&);
        static constexpr Pin kCalls[6] = {&qx9::test::ProgramBuilder::High, &qx9::test::ProgramBuilder::Low,
                                          &qx9::test::ProgramBuilder::Input, &qx9::test::ProgramBuilder::Output,
                                          &qx9::test::ProgramBuilder::Toggle, &qx9::test::ProgramBuilder::Reverse};
        (b.*kCalls[opcode])(o);
        s += Cased(kPins[opcode]) + " " + t;
        break;
      }
      case 6: {
        auto [a, ta] = Any();
        auto [d, td] = Any();
        auto [c, tc] = Any();
        b.Pwm(a, d, c);
        s += Cased("PWM") + " " + ta + "," + Blank() + td + "," + tc;
        break;
      }
      case 7: case 9: {
        auto [a, ta] = Any();
        auto [d, td] = Any();
        auto [v, tv] = Variable();
        opcode == 7 ? b.Pot(a, d, v) : b.PulsIn(a, d, v);
        s += Cased(opcode == 7 ? "Pot" : "PulsIn") + " " + ta + "," + td + "," + Blank() + tv;
        break;
      }
      case 8: {
        auto [a, ta] = Any();
        auto [d, td] = Any();
        b.Pulsout(a, d);
        s += "Pulsout " + ta + " , " + td;
        break;
      }
      case 10: {
        auto [start, ts] = Any();
        auto [v, tv] = Variable();
        b.For(start, v);
        s += Cased("For") + " " + tv + Blank() + "=" + Blank() + ts;
        break;
      }
      case 11: case 12: {
        auto [loc, tl] = Any();
        auto [v, tv] = Variable();
        const int unused = Chance(70) ? 0 : Int(0, 2047);
        opcode == 11 ? b.Read(loc, v, unused) : b.Write(loc, v, unused);
        s += (opcode == 11 ? "Read " : "Write ") + tl + "," + tv + Unused(unused);
        break;
      }
      case 13: case 22: {
        auto [first, tf] = Any();
        auto [v, tv] = Variable();
        auto [entries, tt] = Table(5);
        opcode == 13 ? b.Lookdown(first, v, entries) : b.Lookup(first, v, entries);
        s += (opcode == 13 ? "Lookdown " : "Lookup ") + tf + "," + tt + "," + tv;
        break;
      }
      case 14: {
        auto [t, tt] = JumpTarget(labels);
        const int unused = Chance(70) ? 0 : Int(0, 15);
        b.Gosub(t, unused);
        s += "Gosub " + tt + Unused(unused);
        break;
      }
      case 15: {
        auto [o, t] = Any();
        b.Pause(o);
        s += "Pause " + t;
        break;
      }
      case 16: {
        auto [v, tv] = Variable();
        b.Random(v);
        s += "Random " + tv;
        break;
      }
      case 17: b.Button(); s += Chance(50) ? "Button" : "Button Unimplemented!"; break;
      case 19: b.Serout(); s += "Serout"; break;
      case 20: b.Serin(); s += "serin"; break;
      case 18: {
        auto [pin, tp] = Any();
        std::vector<std::pair<Operand, Operand>> groups;
        std::string text;
        const int n = Int(1, 3);
        for (int i = 0; i < n; ++i) {
          auto [duration, td] = Any();
          auto [note, tn] = Any();
          groups.emplace_back(duration, note);
          text += tn + "," + td + ",";
        }
        b.Sound(pin, groups);
        s += "Sound " + tp + ",(" + text + ")";
        break;
      }
      case 21: Let(p); break;
      case 23: {
        auto [step, ts] = Any();
        auto [v, tv] = Variable();
        auto [a, ta] = Any();
        auto [lb, tb] = Any();
        auto [t, tt] = JumpTarget(labels);
        const bool up = Chance(50);
        b.Next(step, v, up, a, lb, t);
        s += "Next " + tv + " Step " + ts + (up ? " Up " : " Down ") + ta + "," + tb + " Then " + tt;
        break;
      }
      case 24: If(p, labels); break;
      case 25: {
        auto [t, tt] = JumpTarget(labels);
        b.Goto(t);
        s += Cased("Goto") + " " + tt;
        break;
      }
      case 26: {
        auto [index, ti] = Any();
        std::vector<Target> targets;
        std::string text;
        const int n = Int(1, 4);
        for (int i = 0; i < n; ++i) {
          auto [t, tt] = JumpTarget(labels);
          targets.push_back(t);
          text += tt + ",";
        }
        b.Branch(index, targets);
        s += "Branch " + ti + ",(" + text + ")";
        break;
      }
      case 27: b.Return(); s += "Return"; break;
      case 28: case 29: {
        auto [o, t] = Any();
        const int unused = Chance(70) ? 0 : Int(0, 2047);
        opcode == 28 ? b.Nap(o, unused) : b.Sleep(o, unused);
        s += (opcode == 28 ? "Nap " : "Sleep ") + t + Unused(unused);
        break;
      }
      case 30: {
        const int unused = Chance(70) ? 0 : Int(0, 2047);
        b.Debug(unused);
        s += "Debug" + Unused(unused);
        break;
      }
      default: b.End(); s += "End"; break;
    }
    s += "\n";
  }

  // The chain as the panel shows it, or with a leading #N when the panel's reading would differ.
  void Let(RandomProgram& p) {
    auto [target, tt] = Variable();
    const int targetCode = target.VarCode;
    std::vector<LetStep> steps;
    std::vector<std::string> texts;
    const int n = Int(1, 4);
    for (int i = 0; i < n; ++i) {
      auto [o, t] = Any();
      steps.push_back(LetStep{Chance(10) ? 0 : Int(1, 15), o});
      texts.push_back(t);
    }
    static const char* kOps[16] = {" #0 ", " #1 ", "-", "+", "*", "**", "//", "/", "&/", "&", "|/", "|", "^/", "^", "MIN", "MAX"};
    std::string text = "Let " + tt + "=";
    const Operand& first = steps[0].Value;
    if (steps[0].Op == 1) {
      const bool chain = !first.IsConst && first.VarCode == targetCode && n > 1;
      text += (chain || Chance(10) ? "#1 " : "") + texts[0];
    } else {
      text += Chance(80) ? tt + kOps[steps[0].Op] + texts[0] : "#" + std::to_string(steps[0].Op) + " " + texts[0];
    }
    for (int i = 1; i < n; ++i) text += kOps[steps[static_cast<size_t>(i)].Op] + texts[static_cast<size_t>(i)];
    p.Builder.Let(target, steps);
    p.Source += text;
  }

  void If(RandomProgram& p, const std::vector<std::string>& labels) {
    static const char* kCompare[8] = {" #0 ", "<", ">", "<>", "=", "<=", ">=", " #7 "};
    std::vector<Condition> conditions;
    std::string text = "If ";
    const int n = Int(1, 3);
    for (int i = 0; i < n; ++i) {
      Condition c;
      auto [v, tv] = Variable();
      auto [r, tr] = Any();
      c.Var = v;
      c.Right = r;
      c.Compare = Chance(10) ? (Chance(50) ? 0 : 7) : Int(1, 6);
      c.And = Chance(i == 0 ? 20 : 50);
      if (i == 0) {
        text += c.And ? "AND " : (Chance(10) ? "OR " : "");
      } else {
        text += c.And ? Cased("AND") : Cased("OR");
      }
      text += tv + kCompare[c.Compare] + tr;
      conditions.push_back(c);
    }
    auto [t, tt] = JumpTarget(labels);
    p.Builder.If(conditions, t);
    p.Source += text + " Then " + tt + (Chance(20) ? " (->)" : "");
  }

 private:
  std::mt19937& rng_;
};

}  // namespace

RandomProgram MakeRandomProgram(std::mt19937& rng, int maxInstructions) {
  Generator g(rng);
  RandomProgram p;
  const int n = g.Int(1, maxInstructions);
  std::vector<std::string> labels;
  std::vector<bool> labelled;
  for (int i = 0; i < n; ++i) {
    labelled.push_back(g.Chance(30));
    if (labelled.back()) labels.push_back("t" + std::to_string(i) + "_x");
  }
  if (g.Chance(20)) {
    const int entry = g.Int(0, 1);
    const int value = g.Int(0, 255);
    p.Builder.Byte(entry, static_cast<uint8_t>(value));
    p.Source += ".byte " + std::to_string(entry) + ", " + std::to_string(value) + "\n";
  }
  for (int i = 0; i < n; ++i) {
    if (labelled[static_cast<size_t>(i)]) {
      const std::string name = "t" + std::to_string(i) + "_x";
      p.Builder.Label(name);
      p.Source += g.Cased(name) + ":" + (g.Chance(50) ? "\n" : "");
    }
    g.Instruction(p, labels);
  }
  if (g.Chance(30)) {
    const int location = g.Int(0, 3);
    const int value = g.Int(0, 255);
    p.Builder.Data(location, static_cast<uint8_t>(value));
    p.Source += ".data " + std::to_string(location) + ", " + std::to_string(value) + "  ; data\n";
  }
  return p;
}

}  // namespace qx9::asmx::test
