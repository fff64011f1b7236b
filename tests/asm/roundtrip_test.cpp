// Assembling the listing of any image gives that image back bit for bit.
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

// Uniform, sparse (mostly zero, as real images are), dense (mostly ones) and thinned bytes: code that
// jumps into the middle of instructions and off the end; and the all-zero and all-one images.
TEST(RoundTrip, RandomImages) {
  std::mt19937 rng(3);
  auto byte = [&rng] { return static_cast<uint8_t>(rng() & 255); };
  for (int n = 0; n < 4000; ++n) {
    Image image{};
    for (uint8_t& b : image) {
      const bool mostly = rng() % 100 < 80;
      const uint8_t kinds[4] = {byte(), mostly ? uint8_t{0} : byte(), mostly ? uint8_t{0xFF} : byte(),
                                static_cast<uint8_t>(byte() & byte() & byte())};
      b = kinds[n % 4];
    }
    ASSERT_TRUE(ListsBack(image)) << "image " << n;
  }
  Image ones;
  ones.fill(0xFF);
  EXPECT_TRUE(ListsBack(Image{}));
  EXPECT_TRUE(ListsBack(ones));
}

}  // namespace
}  // namespace qx9::asmx
