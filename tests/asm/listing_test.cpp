// The listing's shape (reachable code, addresses, generated labels), and that it assembles back to the image.
#include <gtest/gtest.h>

#include <random>

#include "asm/assembler.h"
#include "asm/listing.h"
#include "support/random_program.h"

namespace qx9::asmx {
namespace {

std::array<uint8_t, 256> Image(const std::string& source) {
  const AssembleResult r = Assemble(source);
  EXPECT_TRUE(r.Ok()) << (r.Ok() ? "" : FormatDiagnostic("src", r.Errors.front()));
  return r.Image;
}

TEST(Listing, ShowsReachableCodeWithAddressesAndLabels) {
  const std::string listing =
      ListProgram(Image("        For B0 = 1 To 5\n"
                        "          Toggle 0\n"
                        "        Next B0\n"
                        "        If B1=0 Then quiet\n"
                        "quiet:  End\n"
                        "        High 7          ; never reached\n"
                        "        .data 0, 42\n"));
  EXPECT_EQ(listing,
            "; QX9 program listing: assembling it gives back the same 256 bytes.\n"
            "; Addresses are linear token addresses (bits from the start of the image) in hex.\n"
            "    For B0=1                                 ; 013\n"
            "L022:\n"
            "    Toggle 0                                 ; 022\n"
            "    Next B0 Step 1 Up 5,5 Then L022          ; 02B\n"
            "    If B1=0 Then L073                        ; 054\n"
            "L073:\n"
            "    End                                      ; 073\n"
            ".data 0, 42\n"
            ".data 239, 112, 5\n");  // the unreached High 7, above the code: kept as data
}

TEST(Listing, RandomProgramsListBack) {
  std::mt19937 rng(11);
  for (int n = 0; n < 3000; ++n) {
    const std::array<uint8_t, 256> image = test::RandomProgram(rng).Build();
    const std::string listing = ListProgram(image);
    const AssembleResult again = Assemble(listing);
    ASSERT_TRUE(again.Ok()) << "program " << n << ": " << FormatDiagnostic("listing", again.Errors.front()) << "\n"
                            << listing;
    ASSERT_EQ(again.Image, image) << "program " << n << "\n" << listing;
  }
}

}  // namespace
}  // namespace qx9::asmx
