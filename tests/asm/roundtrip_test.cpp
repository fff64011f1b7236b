// Assembling the listing of a program gives its image back bit for bit (the fuzzer tries arbitrary images).
#include <gtest/gtest.h>

#include <random>

#include "asm/assembler.h"
#include "asm/listing.h"
#include "support/random_program.h"

namespace qx9::asmx {
namespace {

using Image = std::array<uint8_t, 256>;

::testing::AssertionResult ListsBack(const Image& image) {
  const std::string listing = ListProgram(image);
  const AssembleResult again = Assemble(listing);
  if (!again.Ok()) {
    return ::testing::AssertionFailure() << FormatDiagnostic("listing", again.Errors.front()) << "\n" << listing;
  }
  for (size_t i = 0; i < image.size(); ++i) {
    if (again.Image[i] != image[i]) return ::testing::AssertionFailure() << "byte " << i << " differs\n" << listing;
  }
  return ::testing::AssertionSuccess();
}

TEST(RoundTrip, BuilderPrograms) {
  std::mt19937 rng(11);
  for (int n = 0; n < 3000; ++n) ASSERT_TRUE(ListsBack(test::RandomProgram(rng).Build())) << "program " << n;
}

}  // namespace
}  // namespace qx9::asmx
