// The reachable code is found by following every path from the program start:
// fall through (not after End, Goto, Return, Button, Serout, Serin), the targets of Goto, If, Gosub,
// Branch and Next. Each instruction is then listed once, in address order. Where a jump lands inside
// an instruction already listed, that instruction's bits stand for both decodes: the inner one is
// named in a comment and jumps to it are written as hex addresses.
#include "asm/listing.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "asm/decoder.h"
#include "asm/printer.h"
#include "core/instruction_set.h"

namespace qx9::asmx {

namespace {

constexpr int kProgramStart = kFirstTokenAddress;
constexpr int kCodeStart = 16;  // bytes 0 and 1 lie before the token stream
constexpr int kImageBits = kEndAddress;
constexpr int kLongestZeroRun = 24;  // zero bits longer than this are skipped with .org

std::string Hex(int value, int digits = 0) {
  std::ostringstream out;
  out << std::uppercase << std::hex;
  if (digits > 0) {
    out.width(digits);
    out.fill('0');
  }
  out << value;
  return out.str();
}

class Lister {
 public:
  explicit Lister(const std::array<uint8_t, 256>& image) : image_(image), decoder_(image) {}

  std::string Run() {
    FindReachable();
    ChooseListed();
    out_ << "; QX9 program listing: assembling it gives back the same 256 bytes.\n";
    out_ << "; Addresses are linear token addresses (bits from the start of the image) in hex.\n";
    if (image_[0] != 0 || image_[1] != 0) {
      out_ << ".byte 0, " << int{image_[0]} << ", " << int{image_[1]} << "    ; bytes 0 and 1, before the program\n";
    }
    for (const auto& [address, note] : notes_) {
      if (address < kCodeStart) out_ << "; " << Hex(address, 3) << ": " << note << "\n";
    }
    EmitCode();
    EmitData();
    return out_.str();
  }

 private:
  void FindReachable() {
    std::deque<int> pending{kProgramStart};
    while (!pending.empty()) {
      const int address = pending.front();
      pending.pop_front();
      if (address < 0 || address >= kImageBits || reachable_.count(address) != 0) continue;
      Decoded d = decoder_.At(address);
      if (!d.OffEnd) {
        if (d.FallsThrough && d.End < kImageBits) pending.push_back(d.End);
        for (int target : d.Targets) pending.push_back(target);
      }
      reachable_.emplace(address, std::move(d));
    }
  }

  // In address order, each instruction that can be listed and does not start inside the one listed
  // before it. Labels go on every target that is not inside a listed instruction.
  void ChooseListed() {
    int listedEnd = 0;
    int insideOf = -1;
    for (const auto& [address, d] : reachable_) {
      const std::string text = d.Text;
      if (address < kCodeStart) {
        notes_.emplace(address, "reachable, decodes as \"" + text + "\", kept as the raw bytes 0 and 1");
      } else if (d.OffEnd) {
        notes_.emplace(address,
                       "reachable, decodes as \"" + text + "\" but runs past the end of the image; kept as raw bits");
      } else if (address < listedEnd) {
        inner_.emplace(insideOf, address);
      } else {
        listed_.push_back(address);
        listedEnd = d.End;
        insideOf = address;
      }
    }
    std::set<int> targets;
    for (int address : listed_) {
      for (int t : reachable_.at(address).Targets) targets.insert(t);
    }
    for (int t : targets) {
      if (t >= kCodeStart && !InsideListed(t)) labels_.insert(t);
    }
  }

  bool InsideListed(int address) const {
    auto it = std::upper_bound(listed_.begin(), listed_.end(), address);
    if (it == listed_.begin()) return false;
    const Decoded& d = reachable_.at(*std::prev(it));
    return d.Start < address && address < d.End;
  }

  std::string TargetName(int address) const {
    return labels_.count(address) != 0 ? "L" + Hex(address, 3) : Hex(address);
  }

  // The assembler places code at its cursor; .org moves it where the listing needs it next.
  void MoveTo(int address) {
    if (cursor_ != address) out_ << ".org " << Hex(address) << "\n";
    cursor_ = address;
  }

  void EmitCode() {
    int position = kCodeStart;
    for (int address : listed_) {
      const Decoded& d = reachable_.at(address);
      EmitGap(position, address);
      if (labels_.count(address) != 0) {
        MoveTo(address);
        out_ << TargetName(address) << ":\n";
      }
      const std::optional<std::string> text = InstructionSource(d, [this](int target) { return TargetName(target); });
      if (!text) {  // cannot happen for a decode by the core; kept exact all the same
        out_ << "; " << Hex(address, 3) << ": \"" << d.Text << "\" has fields the assembler does not write\n";
        EmitBits(address, d.End);
      } else {
        MoveTo(address);
        std::string line = "    " + *text;
        if (line.size() < 44) line.resize(44, ' ');
        out_ << line << " ; " << Hex(address, 3) << "\n";
        cursor_ = d.End;
      }
      auto [first, last] = inner_.equal_range(address);
      for (auto it = first; it != last; ++it) {
        out_ << "; " << Hex(it->second, 3)
             << " lies inside the instruction above and is reached by a jump; it decodes as \""
             << reachable_.at(it->second).Text << "\" (jumps to it are written " << Hex(it->second) << ")\n";
      }
      position = d.End;
    }
    codeEnd_ = (std::max(position, kProgramStart) + 7) / 8 * 8;
    EmitGap(position, codeEnd_);
    for (int label : labels_) {
      if (label >= codeEnd_) {
        MoveTo(label);
        out_ << TargetName(label) << ":\n";
      }
    }
  }

  // Bits that no listed instruction covers, with the labels and notes that fall among them.
  void EmitGap(int from, int to) {
    int start = from;
    for (int p = from; p < to; ++p) {
      const bool label = labels_.count(p) != 0;
      const bool note = notes_.count(p) != 0;
      if (!label && !note) continue;
      EmitBits(start, p);
      start = p;
      if (note) out_ << "; " << Hex(p, 3) << ": " << notes_.at(p) << "\n";
      if (label) {
        MoveTo(p);
        out_ << TargetName(p) << ":\n";
      }
    }
    EmitBits(start, to);
  }

  int Bit(int address) const { return (image_[static_cast<size_t>(address / 8)] >> (7 - address % 8)) & 1; }

  // Raw bits as .bits lines; runs of zeros are left out (the assembler fills with zeros).
  void EmitBits(int from, int to) {
    int p = from;
    while (p < to) {
      if (Bit(p) == 0) {
        ++p;
        continue;
      }
      // A segment runs until a long run of zeros or the end.
      int end = p;
      int zeros = 0;
      for (int q = p; q < to; ++q) {
        if (Bit(q) == 0) {
          if (++zeros > kLongestZeroRun) break;
        } else {
          zeros = 0;
          end = q + 1;
        }
      }
      MoveTo(p);
      for (int q = p; q < end; q += 32) {
        out_ << ".bits ";
        for (int k = q; k < std::min(end, q + 32); ++k) out_ << Bit(k);
        out_ << "    ; " << Hex(q, 3) << "\n";
      }
      cursor_ = end;
      p = end;
    }
  }

  // The bytes above the code, as Read/Write data locations (location a is image entry 255 - a).
  void EmitData() {
    const int firstEntry = codeEnd_ / 8;
    int location = 0;
    const int lastLocation = 255 - firstEntry;
    while (location <= lastLocation) {
      if (image_[static_cast<size_t>(255 - location)] == 0) {
        ++location;
        continue;
      }
      out_ << ".data " << location;
      int count = 0;
      while (location <= lastLocation && count < 16 && image_[static_cast<size_t>(255 - location)] != 0) {
        out_ << ", " << int{image_[static_cast<size_t>(255 - location)]};
        ++location;
        ++count;
      }
      out_ << "\n";
    }
  }

  const std::array<uint8_t, 256>& image_;
  Decoder decoder_;
  std::map<int, Decoded> reachable_;
  std::vector<int> listed_;
  std::multimap<int, int> inner_;     // listed instruction -> reachable starts inside it
  std::map<int, std::string> notes_;  // reachable starts that cannot be listed
  std::set<int> labels_;
  std::ostringstream out_;
  int cursor_ = kProgramStart;
  int codeEnd_ = kProgramStart;
};

}  // namespace

std::string ListProgram(const std::array<uint8_t, 256>& image) { return Lister(image).Run(); }

}  // namespace qx9::asmx
