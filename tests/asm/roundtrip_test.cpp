// The listing must give back any image bit for bit, and the assembler must encode what the program
// builder encodes for the same program.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "asm/assembler.h"
#include "asm/listing.h"
#include "random_program.h"

namespace qx9::asmx {
namespace {

using Image = std::array<uint8_t, 256>;

std::string FirstError(const AssembleResult& r) {
  return r.Errors.empty() ? "" : FormatDiagnostic("listing", r.Errors.front());
}

// Assembling the listing reproduces the image; on failure the listing is shown.
::testing::AssertionResult ListsBack(const Image& image) {
  const std::string listing = ListProgram(image);
  const AssembleResult again = Assemble(listing);
  if (!again.Ok()) return ::testing::AssertionFailure() << FirstError(again) << "\n" << listing;
  for (int i = 0; i < 256; ++i) {
    if (again.Image[static_cast<size_t>(i)] != image[static_cast<size_t>(i)]) {
      return ::testing::AssertionFailure() << "byte " << i << " differs\n" << listing;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(RoundTrip, SourceAssemblesToTheBuildersImage) {
  std::mt19937 rng(7);
  int compared = 0;
  for (int n = 0; n < 3000; ++n) {
    test::RandomProgram p = test::MakeRandomProgram(rng, 14);
    Image expected{};
    bool builds = true;
    try {
      expected = p.Builder.Build();
    } catch (const std::logic_error&) {
      builds = false;  // too long for the image: the assembler must refuse it as well
    }
    const AssembleResult r = Assemble(p.Source);
    ASSERT_EQ(r.Ok(), builds) << FirstError(r) << "\n" << p.Source;
    if (!builds) continue;
    ASSERT_EQ(r.Image, expected) << p.Source;
    ++compared;
  }
  EXPECT_GT(compared, 2500);
}

TEST(RoundTrip, ListingOfBuilderProgramsGivesBackTheImage) {
  std::mt19937 rng(11);
  int listed = 0;
  for (int n = 0; n < 3000; ++n) {
    test::RandomProgram p = test::MakeRandomProgram(rng, 20);
    Image image{};
    try {
      image = p.Builder.Build();
    } catch (const std::logic_error&) {
      continue;
    }
    ASSERT_TRUE(ListsBack(image)) << p.Source;
    ++listed;
  }
  EXPECT_GT(listed, 2500);
}

// Uniform bytes, sparse bytes (mostly zero, as real images are), dense bytes (mostly ones), and images
// whose code jumps into the middle of instructions and off the end.
TEST(RoundTrip, ListingOfRandomImagesGivesBackTheImage) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> percent(0, 99);
  for (int n = 0; n < 4000; ++n) {
    Image image{};
    const int kind = n % 4;
    for (uint8_t& b : image) {
      const int p = percent(rng);
      if (kind == 0) b = static_cast<uint8_t>(byte(rng));
      if (kind == 1) b = p < 80 ? 0 : static_cast<uint8_t>(byte(rng));
      if (kind == 2) b = p < 80 ? 0xFF : static_cast<uint8_t>(byte(rng));
      if (kind == 3) b = static_cast<uint8_t>(byte(rng) & byte(rng) & byte(rng));
    }
    ASSERT_TRUE(ListsBack(image));
  }
}

TEST(RoundTrip, EdgeImages) {
  Image zeros{};
  EXPECT_TRUE(ListsBack(zeros));
  Image ones;
  ones.fill(0xFF);
  EXPECT_TRUE(ListsBack(ones));
  Image alternating;
  for (size_t i = 0; i < 256; ++i) alternating[i] = i % 2 ? 0xAA : 0x55;
  EXPECT_TRUE(ListsBack(alternating));
}

}  // namespace
}  // namespace qx9::asmx
