#pragma once
// The program as the workbench shows it: the user's own source when it assembles to the very bytes of
// the object file, otherwise the listing; each line knows the linear address of the instruction on it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qx9 {

struct ProgramText {
  std::vector<std::string> Lines;
  std::vector<int> LineAddress;  // parallel to Lines: the instruction's address, or -1
  bool FromSource = false;
  std::string Note;  // why the source is not shown, when one lies beside the file

  // The line of the instruction at `address`, or -1.
  int LineOf(int address) const;
};

// The listing of the image, with each instruction line's address read from its trailing "; AAA".
ProgramText ListingText(const std::array<uint8_t, 256>& image);
// The source if it assembles to `image` exactly; otherwise the listing, with a note saying why.
ProgramText SourceOrListing(const std::array<uint8_t, 256>& image, const std::string& source);

// NAME.bas beside NAME.OBJ (any letter case of the extension), or empty.
std::string SourcePathFor(const std::string& objectPath);

}  // namespace qx9
