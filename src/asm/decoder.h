#pragma once
// Decoding for the listing, done by the machine core itself: the instruction at an address is run in
// decode-only mode while a token observer records every field the core reads. The listing thus knows
// each instruction's extent, fields and panel text exactly as the emulator sees them.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qx9 {
class Machine;
}

namespace qx9::asmx {

struct DecodedField {
  int Address = 0;
  int Width = 0;
  uint32_t Value = 0;
};

struct Decoded {
  int Start = 0;
  int End = 0;                       // linear address after the last field
  int Opcode = 31;
  std::vector<DecodedField> Fields;  // the opcode first
  std::string Text;                  // the panel's text, decoded with every word 0
  bool OffEnd = false;               // some field lies beyond the image's last bit
  bool FallsThrough = true;          // execution may go on at End
  std::vector<int> Targets;          // jump targets written in the instruction
};

class Decoder {
 public:
  explicit Decoder(const std::array<uint8_t, 256>& image);
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // The instruction whose opcode starts at linear address 0..2047.
  Decoded At(int address);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qx9::asmx
