// The program builder: writes instruction fields bit by bit, most significant bit first, in exactly the
// order the machine reads them.
#include "support/program_builder.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>
#include <tuple>

namespace qx9::test {

namespace {
constexpr int kFirstBit = 16;      // linear address of bit 7 of byte 2
constexpr int kEndAddress = 2048;  // just past the last bit of the image
constexpr int kValueWidth[4] = {1, 4, 8, 16};

// Opcodes, as the machine's table numbers them.
enum Opcode : uint32_t {
  kHigh = 0,
  kLow,
  kInput,
  kOutput,
  kToggle,
  kReverse,
  kPwm,
  kPot,
  kPulsout,
  kPulsIn,
  kFor,
  kRead,
  kWrite,
  kLookdown,
  kGosub,
  kPause,
  kRandom,
  kButton,
  kSound,
  kSerout,
  kSerin,
  kLet,
  kLookup,
  kNext,
  kIf,
  kGoto,
  kBranch,
  kReturn,
  kNap,
  kSleep,
  kDebug,
  kEnd,
};

int SmallestSizeCode(int value) { return value < 0 ? 3 : value <= 1 ? 0 : value <= 15 ? 1 : value <= 255 ? 2 : 3; }
uint32_t More(size_t k, size_t count) { return k + 1 < count ? 1 : 0; }  // continuation bit
void RequireEntries(size_t count) {
  if (count == 0) throw std::invalid_argument("a table needs at least one entry");
}
}  // namespace

using PB = ProgramBuilder;
using O = const Operand&;  // keeps each instruction's definition on one line
using U = uint32_t;
using Ops = const std::vector<Operand>&;

Operand C(int value, int sizeCode) { return {true, value, sizeCode, "", -1}; }
Operand V(const std::string& name) { return {false, 0, -1, name, -1}; }
Operand VCode(int code) { return {false, 0, -1, "", code}; }

int VariableCode(const std::string& name) {
  std::string n = name;
  std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return std::tolower(c); });
  if (n == "pins" || n == "dirs" || n == "port") return n == "pins" ? 32 : n == "dirs" ? 33 : 48;
  // prefix, count, first code, code step; the number is one or two plain decimal digits, no leading zero
  const std::tuple<const char*, int, int, int> kinds[] = {
      {"pin", 8, 0, 1}, {"dir", 8, 8, 1}, {"bit", 16, 16, 1}, {"b", 14, 34, 1}, {"w", 7, 50, 2}};
  for (const auto& [prefix, count, first, step] : kinds) {
    const std::string d = n.rfind(prefix, 0) == 0 ? n.substr(std::string(prefix).size()) : "";
    if (d.empty() || d.size() > 2 || (d.size() > 1 && d[0] == '0') || !std::all_of(d.begin(), d.end(), ::isdigit)) {
      continue;
    }
    if (const int k = std::stoi(d); k < count) return first + step * k;
  }
  throw std::invalid_argument("not a QX9 variable: " + name);
}

ProgramBuilder::ProgramBuilder() { Bits(0, 3); }  // the bits every reset skips

PB& PB::Bits(uint32_t value, int width) {
  for (int i = width - 1; i >= 0; --i) bits_.push_back(static_cast<uint8_t>((value >> i) & 1u));
  bitPos_ += width;
  return *this;
}

// A forced size code that is too small keeps the low bits, which lets tests write odd encodings.
PB& PB::Const(O constant) {
  if (!constant.IsConst) throw std::invalid_argument("a constant was expected");
  const int code = constant.SizeCode >= 0 ? constant.SizeCode : SmallestSizeCode(constant.Value);
  if (code > 3) throw std::invalid_argument("size code out of range");
  return Bits(static_cast<U>(code), 2).Bits(static_cast<U>(constant.Value), kValueWidth[code]);
}

PB& PB::VarCode(O variable) {
  if (variable.IsConst) throw std::invalid_argument("a variable was expected");
  const int code = variable.VarCode >= 0 ? variable.VarCode : VariableCode(variable.Var);
  if (code > 63) throw std::invalid_argument("variable code out of range");
  return Bits(static_cast<U>(code), 6);
}

PB& PB::Op(O operand) { return operand.IsConst ? Bits(1, 1).Const(operand) : Bits(0, 1).VarCode(operand); }

PB& PB::Addr(const Target& target) {
  if (!target.Label.empty())
    fixups_.emplace_back(static_cast<int>(bits_.size()), target);
  else if (target.Address < 0 || target.Address >= kEndAddress)
    throw std::logic_error("jump target beyond 2047");
  return Bits(target.Label.empty() ? static_cast<U>(target.Address) : 0, 11);
}

PB& PB::Label(const std::string& name) {
  if (labels_.count(name) != 0) duplicateLabels_.push_back(name);
  return labels_[name] = bitPos_, *this;
}

int ProgramBuilder::AddressOf(const std::string& label) const {
  const auto it = labels_.find(label);
  if (it == labels_.end()) throw std::logic_error("undefined label: " + label);
  return it->second;
}

PB& PB::Data(int location, uint8_t value) { return Byte(255 - location, value); }
PB& PB::Byte(int index, uint8_t value) {
  if (index < 0 || index > 255) throw std::invalid_argument("image index (or data location) out of range");
  return bytes_[index] = value, *this;
}

// --- instructions: opcode, then the fields in stream order --------------------------------------

namespace {
// Operands, each followed by its continuation bit.
PB& Table(PB& b, const std::vector<Operand>& entries) {
  RequireEntries(entries.size());
  for (size_t k = 0; k < entries.size(); ++k) b.Op(entries[k]).Bits(More(k, entries.size()), 1);
  return b;
}
}  // namespace

PB& PB::High(O pin) { return Bits(kHigh, 5).Op(pin); }
PB& PB::Low(O pin) { return Bits(kLow, 5).Op(pin); }
PB& PB::Input(O pin) { return Bits(kInput, 5).Op(pin); }
PB& PB::Output(O pin) { return Bits(kOutput, 5).Op(pin); }
PB& PB::Toggle(O pin) { return Bits(kToggle, 5).Op(pin); }
PB& PB::Reverse(O pin) { return Bits(kReverse, 5).Op(pin); }
PB& PB::Pwm(O pin, O duty, O third) { return Bits(kPwm, 5).Op(pin).Op(duty).Op(third); }
PB& PB::Pot(O pin, O second, O target) { return Bits(kPot, 5).Op(pin).Op(second).VarCode(target); }
PB& PB::Pulsout(O pin, O second) { return Bits(kPulsout, 5).Op(pin).Op(second); }
PB& PB::PulsIn(O pin, O second, O target) { return Bits(kPulsIn, 5).Op(pin).Op(second).VarCode(target); }
PB& PB::For(O start, O variable) { return Bits(kFor, 5).Op(start).VarCode(variable); }
PB& PB::Read(O location, O target, int unused11) {
  return Bits(kRead, 5).Bits(U(unused11), 11).Op(location).VarCode(target);
}
PB& PB::Write(O location, O var, int unused11) {
  return Bits(kWrite, 5).Bits(U(unused11), 11).Op(location).VarCode(var);
}
PB& PB::Lookdown(O value, O target, Ops entries) {
  return Table(Bits(kLookdown, 5).Op(value).VarCode(target), entries);
}
PB& PB::Gosub(const Target& target, int unused4) { return Bits(kGosub, 5).Bits(U(unused4), 4).Addr(target); }
PB& PB::Pause(O ms) { return Bits(kPause, 5).Op(ms); }
PB& PB::Random(O target) { return Bits(kRandom, 5).VarCode(target); }
PB& PB::Button() { return Bits(kButton, 5); }
PB& PB::Sound(O pin, const std::vector<std::pair<Operand, Operand>>& groups) {
  RequireEntries(groups.size());
  Bits(kSound, 5).Op(pin);
  for (size_t k = 0; k < groups.size(); ++k) Op(groups[k].first).Op(groups[k].second).Bits(More(k, groups.size()), 1);
  return *this;
}
PB& PB::Serout() { return Bits(kSerout, 5); }
PB& PB::Serin() { return Bits(kSerin, 5); }
// Operand 0 comes before the target; every operator code follows the operand it applies to.
PB& PB::Let(O target, const std::vector<LetStep>& steps) {
  RequireEntries(steps.size());
  Bits(kLet, 5).Op(steps[0].Value).VarCode(target);
  for (size_t k = 0; k < steps.size(); ++k) {
    (k > 0 ? Op(steps[k].Value) : *this).Bits(U(steps[k].Op), 4).Bits(More(k, steps.size()), 1);
  }
  return *this;
}
PB& PB::Lookup(O index, O target, Ops entries) { return Table(Bits(kLookup, 5).Op(index).VarCode(target), entries); }
PB& PB::Next(O step, O variable, bool up, O limitA, O limitB, const Target& target) {
  return Bits(kNext, 5).Op(step).VarCode(variable).Bits(up ? 1 : 0, 1).Op(limitA).Op(limitB).Addr(target);
}
// Per condition: right operand, then the variable, then continuation, conjunction and compare code.
PB& PB::If(const std::vector<Condition>& conditions, const Target& target) {
  RequireEntries(conditions.size());
  Bits(kIf, 5);
  for (size_t k = 0; k < conditions.size(); ++k) {
    const Condition& c = conditions[k];
    Op(c.Right).VarCode(c.Var).Bits(More(k, conditions.size()), 1).Bits(c.And ? 1 : 0, 1).Bits(U(c.Compare), 3);
  }
  return Addr(target);
}
PB& PB::Goto(const Target& target) { return Bits(kGoto, 5).Addr(target); }
PB& PB::Branch(O index, const std::vector<Target>& targets) {
  RequireEntries(targets.size());
  Bits(kBranch, 5).Op(index);
  for (size_t k = 0; k < targets.size(); ++k) Addr(targets[k]).Bits(More(k, targets.size()), 1);
  return *this;
}
PB& PB::Return() { return Bits(kReturn, 5); }
PB& PB::Nap(O period, int unused11) { return Bits(kNap, 5).Bits(U(unused11), 11).Op(period); }
PB& PB::Sleep(O seconds, int unused11) { return Bits(kSleep, 5).Bits(U(unused11), 11).Op(seconds); }
PB& PB::Debug(int unused11) { return Bits(kDebug, 5).Bits(U(unused11), 11); }
PB& PB::End() { return Bits(kEnd, 5); }

// --- the image ---------------------------------------------------------------------------------

std::array<uint8_t, 256> ProgramBuilder::Build() const {
  if (!duplicateLabels_.empty()) throw std::logic_error("duplicate label: " + duplicateLabels_.front());
  if (bitPos_ > kEndAddress) throw std::logic_error("program runs past the end of the image");
  std::vector<uint8_t> bits = bits_;
  for (const auto& [offset, target] : fixups_) {
    const int address = AddressOf(target.Label);
    if (address >= kEndAddress) throw std::logic_error("jump target beyond 2047: " + target.Label);
    for (int i = 0; i < 11; ++i) bits[offset + i] = static_cast<uint8_t>((address >> (10 - i)) & 1);
  }
  std::array<uint8_t, 256> image{};
  for (const auto& [index, value] : bytes_) {
    if (index >= 2 && index <= (bitPos_ - 1) / 8)
      throw std::logic_error("code runs into raw byte " + std::to_string(index));
    image[index] = value;
  }
  for (size_t i = 0; i < bits.size(); ++i) {
    const size_t address = kFirstBit + i;
    image[address / 8] = static_cast<uint8_t>(image[address / 8] | (bits[i] << (7 - address % 8)));
  }
  return image;
}

void ProgramBuilder::WriteFile(const std::string& path) const {
  const std::array<uint8_t, 256> image = Build();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace qx9::test
