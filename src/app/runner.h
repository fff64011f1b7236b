#pragma once
// qx9run: loads an object file and drives the machine core with the panel's own presses and ticks,
// printing a trace of what happens. The output format is a contract for scripts; see the README.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qx9 {

struct RunOptions {
  std::string File;
  uint64_t Steps = 10000;
  bool ThroughEnd = false;
  bool Run = false;
  bool StepOver = false;
  bool Quiet = false;
  bool List = false;
  bool Help = false;
  std::string Pot;
  std::string PulsIn;
  std::vector<std::string> Answers;
  // --word and --switch, in command-line order: a switch has Index 0..7 and no text.
  struct PanelInput {
    bool IsSwitch = false;
    int Index = 0;
    std::string Text;
  };
  std::vector<PanelInput> Inputs;
  std::vector<int> Breaks;  // --break: linear token addresses
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFile = 2;

// Parses the arguments (without the program name). On a mistake returns false with a reason.
bool ParseRunArguments(const std::vector<std::string>& args, RunOptions& options, std::string& error);
std::string RunUsage();

// Runs (or lists) the program; returns the exit status.
int RunProgram(const RunOptions& options, std::ostream& out, std::ostream& err);

// The whole command: arguments to exit status.
int RunMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qx9
