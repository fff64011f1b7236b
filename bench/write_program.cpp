// Writes a benchmark program as an object file, for timing the headless runner on it:
//   qx9bench_program loop FILE     the arithmetic loop
//   qx9bench_program families FILE every instruction family
#include <cstdio>
#include <fstream>
#include <string>

#include "bench_programs.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: qx9bench_program loop|families FILE\n");
    return 1;
  }
  const std::string which = argv[1];
  if (which != "loop" && which != "families") {
    std::fprintf(stderr, "unknown program %s\n", argv[1]);
    return 1;
  }
  const auto image = which == "loop" ? qx9::bench::ArithmeticLoop() : qx9::bench::EveryFamilyLoop();
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return out ? 0 : 2;
}
