// qx9asm SOURCE [-o FILE.OBJ]: assembles a QX9 source into a 256-byte object file. Mistakes are
// reported as FILE:LINE:COLUMN: message on standard error; then nothing is written and the exit
// status is 1 (1 also for bad usage; 2 when a file cannot be read or written; 5 out of memory).
#include <csignal>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm_files.h"

namespace {

constexpr const char* kUsage = "usage: qx9asm SOURCE [-o FILE.OBJ]";
constexpr int kExitErrors = 1;
constexpr int kExitFile = 2;
constexpr int kExitMemory = 5;

// SOURCE with its extension (if any) replaced by .OBJ.
std::string DefaultOutput(const std::string& source) {
  const size_t slash = source.find_last_of("/\\");
  const size_t dot = source.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? source.substr(0, dot) : source) + ".OBJ";
}

int Usage(const std::string& why) {
  if (!why.empty()) std::cerr << "qx9asm: " << why << "\n";
  std::cerr << kUsage << "\n";
  return kExitErrors;
}

int Assemble(int argc, char** argv) {
  std::string source;
  std::string output;
  bool haveOutput = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-o") {
      if (i + 1 >= argc) return Usage("-o needs a file name");
      if (haveOutput) return Usage("-o given twice");
      output = argv[++i];
      haveOutput = true;
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage << "\n";
      return 0;
    } else if (arg == "--version") {
      std::cout << "qx9asm " << QX9_VERSION << "\n";
      return 0;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return Usage("unknown option " + arg);
    } else if (source.empty()) {
      source = arg;
    } else {
      return Usage("more than one source given");
    }
  }
  if (source.empty()) return Usage("no source given");
  if (!haveOutput) output = DefaultOutput(source);

  std::string error;
  if (output.empty()) return Usage("-o needs a file name");
  std::string text;
  if (!qx9::ReadSource(source, text, error)) {
    std::cerr << error << "\n";
    return kExitFile;
  }
  if (!qx9::CheckOutput(source, output, error)) {
    std::cerr << error << "\n";
    return kExitFile;
  }
  const qx9::asmx::AssembleResult result = qx9::asmx::Assemble(text);
  if (!result.Ok()) {
    for (const qx9::asmx::Diagnostic& d : result.Errors) {
      std::cerr << qx9::asmx::FormatDiagnostic(source, d) << "\n";
    }
    return kExitErrors;
  }
  if (!qx9::ReplaceFile(output, std::vector<uint8_t>(result.Image.begin(), result.Image.end()), error)) {
    std::cerr << error << "\n";
    return kExitFile;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A file size limit then fails the write (which is reported) instead of killing the assembler.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return Assemble(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "qx9asm: out of memory\n";
    return kExitMemory;
  }
}
