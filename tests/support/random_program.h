#pragma once
// Random well-formed programs from the program builder, and the texts a user might type, for the soak
// test and the test that runs the same program on hosts that say different things about their boxes.

#include <array>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/program_builder.h"

namespace qx9::test {

constexpr int kMaxLabels = 48;

// Every instruction can come up, with constants of every size, every kind of variable (and the codes
// that name none), jumps to any instruction or the End, and the restarting instructions now and then.
class RandomProgram {
 public:
  explicit RandomProgram(std::mt19937& rng) : rng_(rng) {}

  std::array<uint8_t, 256> Build() {
    for (;;) {
      ProgramBuilder p;
      int labels = 0;
      // Room is left for the longest instruction, the End and the spare labels.
      while (p.Here() < 1750 && labels < kMaxLabels) {
        p.Label("L" + std::to_string(labels++));
        Instruction(p);
      }
      for (int k = labels; k < kMaxLabels; ++k) p.Label("L" + std::to_string(k));
      p.End();
      try {
        return p.Build();
      } catch (const std::logic_error&) {
        // The last instruction ran past the image; draw another program.
      }
    }
  }

 private:
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }

  Operand Var() {
    static const std::vector<std::string> kNames = {
        "W0",  "W1",   "W2",   "W3",    "W4",   "W5",   "W6",   "B0",   "B1",   "B2",   "B3",   "B5",  "B8",
        "B13", "Bit0", "Bit7", "Bit15", "Port", "Pins", "Dirs", "Pin0", "Pin3", "Pin7", "Dir0", "Dir5"};
    if (Chance(3)) return VCode(Chance(50) ? 49 : 63);  // codes that name nothing
    return V(kNames[Int(0, static_cast<int>(kNames.size()) - 1)]);
  }
  Operand Const() {
    switch (Int(0, 3)) {
      case 0: return C(Int(0, 1));
      case 1: return C(Int(0, 15));
      case 2: return C(Int(0, 255));
      default: return C(Int(-32768, 32767), 3);
    }
  }
  Operand Any() { return Chance(50) ? Const() : Var(); }
  Operand Small(int hi) { return Chance(85) ? C(Int(0, hi)) : Var(); }  // pins, waits, indexes
  Target Label() { return "L" + std::to_string(Int(0, kMaxLabels - 1)); }

  void Instruction(ProgramBuilder& p) {
    switch (Int(0, 40)) {
      case 0: p.High(Small(7)); break;
      case 1: p.Low(Small(7)); break;
      case 2: p.Input(Small(7)); break;
      case 3: p.Output(Small(7)); break;
      case 4: p.Toggle(Small(7)); break;
      case 5: p.Reverse(Small(7)); break;
      case 6: p.Pwm(Small(7), Any(), Any()); break;
      case 7: p.Pot(Small(7), Any(), Var()); break;
      case 8: p.Pulsout(Small(7), Any()); break;
      case 9: p.PulsIn(Small(7), Any(), Var()); break;
      case 10: p.For(Any(), Var()); break;
      case 11: p.Read(Any(), Var(), Int(0, 2047)); break;
      case 12: p.Write(Any(), Var(), Int(0, 2047)); break;
      case 13: p.Lookdown(Any(), Var(), Entries()); break;
      case 14:
      case 15: p.Gosub(Label(), Int(0, 15)); break;
      case 16: p.Pause(Small(200)); break;
      case 17: p.Random(Var()); break;
      case 18: p.Sound(Small(7), {{Small(20), Any()}, {Small(5), C(Int(0, 140))}}); break;
      case 19: Chance(30) ? p.Button() : Chance(50) ? p.Serout() : p.Serin(); break;
      case 23: p.Lookup(Any(), Var(), Entries()); break;
      case 24: p.Next(Any(), Var(), Chance(50), Any(), Any(), Label()); break;
      case 25:
      case 26:
      case 27: p.If(Conditions(), Label()); break;
      case 28:
      case 29: p.Goto(Label()); break;
      case 30: p.Branch(Any(), {Label(), Label(), Label()}); break;
      case 31:
      case 32: p.Return(); break;
      case 33: p.Nap(Small(7), Int(0, 2047)); break;
      case 34: p.Sleep(Small(3), Int(0, 2047)); break;
      case 35: p.Debug(Int(0, 2047)); break;
      case 36: p.End(); break;
      default: p.Let(Var(), LetSteps()); break;  // 20..22 and 37..40
    }
  }
  std::vector<Operand> Entries() {
    std::vector<Operand> entries(static_cast<size_t>(Int(1, 5)));
    for (Operand& e : entries) e = Any();
    return entries;
  }
  std::vector<LetStep> LetSteps() {
    std::vector<LetStep> steps(static_cast<size_t>(Int(1, 4)));
    for (LetStep& s : steps) s = {Chance(3) ? 0 : Int(1, 15), Any()};
    return steps;
  }
  std::vector<Condition> Conditions() {
    std::vector<Condition> conditions(static_cast<size_t>(Int(1, 3)));
    for (Condition& c : conditions) c = {Var(), Chance(4) ? (Chance(50) ? 0 : 7) : Int(1, 6), Any(), Chance(50)};
    return conditions;
  }

  std::mt19937& rng_;
};

// Texts a user might type into the value boxes or a prompt (good numbers, blanks, and everything else),
// and into a word box.
inline std::string TypedNumber(std::mt19937& rng) {
  static const char* const kTexts[] = {"",      " ",   "42",  " -7 ", "+15",  "32767", "-32768",
                                       "40000", "abc", "1.5", "--2",  "0x10", "\t9\t"};
  return kTexts[rng() % std::size(kTexts)];
}
inline std::string TypedHex(std::mt19937& rng) {
  static const char* const kTexts[] = {"0",     "ffff",      "7FFF", "8000", "12G4", " 1 2",
                                       "10000", "123456789", "",     "zz",   "FF00"};
  return kTexts[rng() % std::size(kTexts)];
}

}  // namespace qx9::test
