#pragma once
// Decoding for the listing, done by the machine core itself (Machine::Decode with the fields recorded):
// the listing thus knows each instruction's extent, fields and panel text exactly as the emulator sees
// them.

#include <array>
#include <cstdint>
#include <memory>

#include "core/machine.h"

namespace qx9::asmx {

using DecodedField = qx9::DecodedField;
using Decoded = qx9::Decoded;

class Decoder {
 public:
  explicit Decoder(const std::array<uint8_t, 256>& image);
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // The instruction whose opcode starts at linear address 0..2047, decoded with every word 0.
  Decoded At(int address);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qx9::asmx
