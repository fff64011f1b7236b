// The listing's shape: reachable code only, addresses, generated labels, and what stands for the rest.
#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "asm/listing.h"

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
                        "        Sound 1,(B1,10)\n"
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
            "    If B1=0 Then L08B                        ; 054\n"
            "    Sound 1,(B1,10,)                         ; 073\n"
            "L08B:\n"
            "    End                                      ; 08B\n"
            ".data 0, 42\n"
            ".data 236, 112, 5\n");  // the unreached High 7, above the code: kept as data
}

// A jump into the middle of an instruction: the outer one is listed, the inner one named in a comment
// and reached by its hex address; bits 16..18 and bytes 0 and 1 are kept too.
TEST(Listing, KeepsOverlapsAndTheBitsBeforeTheProgram) {
  const std::string listing =
      ListProgram(Image(".byte 0, 9, 0\n"
                        ".org 10\n"
                        ".bits 101\n"
                        "start: Pause 65535\n"  // 16-bit value field: 1111... decodes as End when entered at 01B
                        "       Goto 1B\n"));
  EXPECT_EQ(listing,
            "; QX9 program listing: assembling it gives back the same 256 bytes.\n"
            "; Addresses are linear token addresses (bits from the start of the image) in hex.\n"
            ".byte 0, 9, 0    ; bytes 0 and 1, before the program\n"
            ".org 10\n"
            ".bits 101    ; 010\n"
            "    Pause -1                                 ; 013\n"
            "; 01B lies inside the instruction above and is reached by a jump; it decodes as \"End\" (jumps to it are "
            "written 1B)\n"
            "    Goto 1B                                  ; 02B\n");
}

TEST(Listing, FollowsTargetsFarAndNotesWhatItCannotList) {
  // 20 lies inside the Branch itself; 7F0 holds zeros, which decode as High Pin0 until the last
  // instruction would need bits past the end of the image.
  const std::string listing = ListProgram(Image("Branch B0,(20,7F0)\nEnd\n"));
  EXPECT_NE(listing.find("    Branch B0,(20,L7F0,)"), std::string::npos) << listing;
  EXPECT_NE(listing.find(".org 7F0\nL7F0:\n    High Pin0 "), std::string::npos) << listing;
  EXPECT_NE(listing.find("; 7FC: reachable, decodes as \"High Pin0\" but runs past the end of the image"),
            std::string::npos)
      << listing;
  EXPECT_TRUE(Assemble(listing).Ok());
}

}  // namespace
}  // namespace qx9::asmx
