// qx9asm SOURCE [-o FILE.OBJ]: assembles a QX9 source into a 256-byte object file. Mistakes are
// reported as FILE:LINE:COLUMN: message on standard error; then nothing is written and the exit
// status is 1 (2 when a file cannot be read or written).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "asm/assembler.h"

namespace {

constexpr const char* kUsage = "usage: qx9asm SOURCE [-o FILE.OBJ]";

// SOURCE with its extension (if any) replaced by .OBJ.
std::string DefaultOutput(const std::string& source) {
  const size_t slash = source.find_last_of("/\\");
  const size_t dot = source.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? source.substr(0, dot) : source) + ".OBJ";
}

}  // namespace

int main(int argc, char** argv) {
  std::string source;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-o") {
      if (i + 1 >= argc || !output.empty()) {
        std::cerr << kUsage << "\n";
        return 1;
      }
      output = argv[++i];
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage << "\n";
      return 0;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      std::cerr << kUsage << "\n";
      return 1;
    } else if (source.empty()) {
      source = arg;
    } else {
      std::cerr << kUsage << "\n";
      return 1;
    }
  }
  if (source.empty()) {
    std::cerr << kUsage << "\n";
    return 1;
  }
  if (output.empty()) output = DefaultOutput(source);

  std::ifstream in(source, std::ios::binary);
  std::ostringstream text;
  if (!in || !(text << in.rdbuf())) {
    if (in && in.peek() == std::char_traits<char>::eof()) {
      text.str("");  // an empty source is an empty program
    } else {
      std::cerr << source << ": cannot read the source file\n";
      return 2;
    }
  }
  const qx9::asmx::AssembleResult result = qx9::asmx::Assemble(text.str());
  if (!result.Ok()) {
    for (const qx9::asmx::Diagnostic& d : result.Errors) std::cerr << qx9::asmx::FormatDiagnostic(source, d) << "\n";
    return 1;
  }
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(result.Image.data()), static_cast<std::streamsize>(result.Image.size()));
  out.close();
  if (!out) {
    std::cerr << output << ": cannot write the object file\n";
    std::remove(output.c_str());
    return 2;
  }
  return 0;
}
