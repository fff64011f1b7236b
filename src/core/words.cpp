// Words and fields: the only ways a word of the machine is written and read.
#include "core/machine.h"

namespace qx9 {

namespace {
// A field lies inside the 16-bit pattern only for shifts 0..15; pin numbers taken from variables can
// ask for any shift, and such a field neither changes nor reads anything.
bool ShiftInWord(int16_t shift) { return shift >= 0 && shift <= 15; }
}  // namespace

void Machine::SetVal(int16_t index, int16_t value, int32_t mask, int16_t shift) {
  if (ListOnly || index < 0 || index > 7 || !ShiftInWord(shift)) return;
  // Clear the field, then put the low bits of value into it; arithmetic on the 32-bit pattern keeps
  // the low 16 bits exact, which is all a word holds.
  const uint32_t field = static_cast<uint32_t>(mask) << shift;
  uint32_t word = static_cast<uint32_t>(Ram[index]) & ~field;
  word |= (static_cast<uint32_t>(value) & static_cast<uint32_t>(mask)) << shift;
  Ram[index] = WrapWord(static_cast<int32_t>(word));
}

int16_t Machine::ReadField(int16_t index, int32_t mask, int16_t shift) const {
  if (index < 0 || index > 7 || !ShiftInWord(shift)) return 0;
  // Only the 16-bit pattern counts, also for entries a word box loaded outside the signed range.
  const uint32_t pattern = static_cast<uint32_t>(Ram[index]) & 0xFFFFu;
  return WrapWord(static_cast<int32_t>((pattern >> shift) & static_cast<uint32_t>(mask)));
}

}  // namespace qx9
