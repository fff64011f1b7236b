#pragma once
// Random well-formed programs, written twice: as program builder calls and as assembler source. The
// two are made from the same choices but encoded independently, so comparing their images checks
// the assembler against the builder, and the builder's images feed the listing round trip.

#include <random>
#include <string>

#include "support/program_builder.h"

namespace qx9::asmx::test {

struct RandomProgram {
  qx9::test::ProgramBuilder Builder;
  std::string Source;
};

// Up to `maxInstructions` instructions of every kind, with forced constant widths, raw variable codes,
// raw operator codes, unused fields, labels and hex targets mixed in.
RandomProgram MakeRandomProgram(std::mt19937& rng, int maxInstructions);

}  // namespace qx9::asmx::test
