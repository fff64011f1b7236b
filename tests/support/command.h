#pragma once
// Runs a program through the shell with its output captured in files of a scratch folder.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qx9::test {

struct CommandResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

inline std::string ShellQuote(const std::string& s) {
  std::string quoted = "'";
  for (char c : s) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// `prefix` is shell text put before the command (such as "ulimit -f 0;").
inline CommandResult RunCommand(const std::filesystem::path& scratch, const std::string& program,
                                const std::vector<std::string>& args, const std::string& prefix = "") {
  std::string command = prefix + " " + ShellQuote(program);
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  command += " >" + ShellQuote((scratch / "out").string()) + " 2>" + ShellQuote((scratch / "err").string());
  const int raw = std::system(command.c_str());
  CommandResult result;
  result.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.Out = ReadWhole(scratch / "out");
  result.Err = ReadWhole(scratch / "err");
  return result;
}

}  // namespace qx9::test
