#pragma once
// The listing of a program image: its reachable code as assembler source, with linear addresses and
// generated labels. Everything else in the image (bytes 0 and 1, unreachable bits between instructions,
// data at the top) is written as .byte, .bits and .data directives, so that assembling the listing of
// any 256-byte image gives back that image bit for bit.

#include <array>
#include <cstdint>
#include <string>

namespace qx9::asmx {

std::string ListProgram(const std::array<uint8_t, 256>& image);

}  // namespace qx9::asmx
