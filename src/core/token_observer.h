#pragma once
// An optional listener on the token reader. A listing learns from it the exact fields an instruction
// consists of (where each starts, how wide it is, what it holds) as the instruction set itself reads
// them, so no second decoder has to know the layouts.

namespace qx9 {

class TokenObserver {
 public:
  virtual ~TokenObserver() = default;
  // One report per ReadBit (width 1) and per ReadBits (the whole field, not its single bits), in
  // stream order. address is the linear token address of the field's first bit; value is the field's
  // bits as an unsigned number, 0 .. 2^width - 1.
  virtual void OnField(int address, int width, int value) = 0;
};

}  // namespace qx9
