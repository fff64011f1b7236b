// qx9run: the headless runner. See runner.h.
#include <iostream>
#include <new>

#include "runner.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    const int status = qx9::RunMain(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "qx9run: out of memory\n";
    return qx9::kExitMemory;
  }
}
