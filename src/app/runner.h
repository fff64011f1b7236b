#pragma once
// qx9run: loads an object file and drives the machine core with the panel's own presses and ticks,
// printing a trace of what happens. The output format is a contract for scripts; see the README.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qx9 {

namespace scenario {
class PanelCamera;
}

struct RunOptions {
  std::string File;
  uint64_t Steps = 10000;
  bool ThroughEnd = false;
  bool Run = false;
  bool StepOver = false;
  bool Quiet = false;
  bool List = false;
  bool Help = false;
  bool Version = false;
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
  // --scenario FILE [--junit REPORT]: the file runs the program instead of the options above.
  std::string Scenario;
  std::string JUnit;
  // --vcd and --wav: files the run's signals and sound are written to (empty: none).
  std::string VcdFile;
  std::string WavFile;
  // History and state (history_run.h): --back N, --who-wrote NAME..., --save-state, --load-state.
  bool Back = false;
  uint64_t BackSteps = 0;
  std::vector<std::string> WhoWrote;
  std::string SaveState;
  std::string LoadState;
  std::vector<int> Breaks;  // --break: linear token addresses
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFile = 2;  // also: a --vcd or --wav file, or a state file, cannot be written or read
constexpr int kExitMemory = 5;

// Parses the arguments (without the program name). On a mistake returns false with a reason.
bool ParseRunArguments(const std::vector<std::string>& args, RunOptions& options, std::string& error);
std::string RunUsage();

// Runs (or lists) the program; returns the exit status.
int RunProgram(const RunOptions& options, std::ostream& out, std::ostream& err);

// The whole command: arguments to exit status. `camera` renders scenario screenshots (null: none).
int RunMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            scenario::PanelCamera* camera = nullptr);

}  // namespace qx9
