#include "runner.h"

#include <cstdio>
#include <fstream>
#include <limits>

#include "core/machine.h"
#include "history_run.h"
#include "run_breaks.h"
#include "run_exports.h"
#include "run_host.h"
#include "scenario_command.h"
#ifdef QX9_HAVE_LISTING
#include "asm/listing.h"
#endif

namespace qx9 {

namespace {

bool ParseCount(const std::string& text, uint64_t& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
      value = std::numeric_limits<uint64_t>::max();  // more steps than any run can take
    } else {
      value = value * 10 + digit;
    }
  }
  return true;
}

bool ParseIndex(const std::string& text, int& index) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '7') return false;
  index = text[0] - '0';
  return true;
}

std::string TraceLine(const Machine::Peek& peek) {
  char address[8];
  std::snprintf(address, sizeof address, "%03X", static_cast<unsigned>(peek.Address));
  return std::string("@") + address + " " + peek.Text;
}

// Presses and ticks the machine exactly as the panel would, checking the stop conditions before each.
class Session {
 public:
  Session(const RunOptions& options, Machine& machine, PrintingHost& host, std::ostream& out)
      : options_(options),
        machine_(machine),
        host_(host),
        out_(out),
        base_(machine.InstructionsExecuted),
        breaks_(options.Breaks, machine) {}

  void Run() {
    if (options_.Run) {
      if (Act([this] { machine_.RunBtn_Click(); }, false)) RunTicks();
      return;
    }
    const bool stepOver = options_.StepOver;
    while (Act([this, stepOver] { stepOver ? machine_.StepOver_Click() : machine_.Step_Click(); }, true)) {
      // A press that started a step over's free run: tick until it has stopped, then press on.
      if (stepOver && host_.TimerEnabled() && !RunTicks()) return;
    }
  }

  uint64_t Ticks() const { return ticks_; }
  const RunBreaks& Breaks() const { return breaks_; }

 private:
  // The instruction limit; and, without --through-end, an End coming next.
  bool ShouldStop() {
    if (machine_.InstructionsExecuted - base_ >= options_.Steps) return true;
    return !options_.ThroughEnd && NextIsEnd();
  }

  bool NextIsEnd() {
    if (machine_.NextCycleResets()) return machine_.PeekNext().Opcode == kEndOpcode;
    return machine_.NextOpcode() == kEndOpcode;
  }

  // One press or tick; `cycle` tells whether it runs an instruction cycle. Returns false when the run
  // is over: a stop condition held, or (without --through-end) the action ran a restart sequence.
  template <typename Action>
  bool Act(Action action, bool cycle, bool tick = false) {
    if (ShouldStop()) return false;
    if (breaks_.AtBreak(machine_)) {
      // A press stops before the breakpoint's instruction. A tick runs on until it would start a cycle;
      // that tick is the run control's: its own break check stops the run, as in the panel.
      if (!tick) return false;
      if (cycle) {
        action();
        return false;
      }
    }
    const bool executes = cycle && !machine_.NextCycleResets();
    if (executes && !options_.Quiet) out_ << TraceLine(machine_.PeekNext()) << '\n';
    const uint64_t restarts = machine_.RestartsRun;
    action();
    return options_.ThroughEnd || machine_.RestartsRun == restarts;
  }

  // Ticks until the timer is disabled or the run is over. Returns false when the run is over.
  bool RunTicks() {
    while (host_.TimerEnabled()) {
      if (ShouldStop()) return false;
      // Ticks that only count a wait down change nothing else: take them in one go.
      const int32_t idle = machine_.IdleTicksAhead();
      if (idle > 0) {
        machine_.SkipIdleTicks(idle);
        ticks_ += static_cast<uint64_t>(idle);
        continue;
      }
      ++ticks_;
      if (!Act([this] { machine_.Timer1_Timer(); }, machine_.TickWillRunCycle(), true)) return false;
    }
    return true;
  }

  const RunOptions& options_;
  Machine& machine_;
  PrintingHost& host_;
  std::ostream& out_;
  uint64_t base_;  // instructions executed before the run (a loaded state's)
  uint64_t ticks_ = 0;
  RunBreaks breaks_;
};

void PrintFinalBlock(const RunOptions& options, Machine& machine, const PrintingHost& host, const MachineState& loaded,
                     uint64_t ticks, std::ostream& out) {
  const char* names[8] = {"W0", "W1", "W2", "W3", "W4", "W5", "W6", "PORT"};
  for (int i = 0; i < 8; ++i) {
    // A box typed with --word and not yet read counts as the value its text reads as.
    out << (i ? " " : "") << names[i] << "=" << WordBoxText(ParseWordBox(host.WordBoxText(i)));
  }
  out << '\n';
  out << "next: " << TraceLine(machine.PeekNext()) << '\n';
  if (!host.LastPWM().empty()) out << "lastpwm: " << host.LastPWM() << '\n';
  for (int i = 0; i < kImageSize; ++i) {
    if (machine.Eeprom[i] != loaded.Eeprom[i]) out << "eeprom[" << i << "]=" << machine.Eeprom[i] << '\n';
  }
  if (options.Run || options.StepOver) out << "ticks: " << ticks << '\n';
}

constexpr const char* kOptionHelp =
    "Runs a QX9 object file headless, pressing Step (or Step Over, or Run with simulated ticks) and\n"
    "printing a trace line per executed instruction, every message, prompt, tone and rest, and a final\n"
    "block with the words and the next instruction.\n"
    "  --steps N        stop after N executed instructions (default 10000)\n"
    "  --through-end    execute End like any instruction instead of stopping before it\n"
    "  --pot TEXT       the Pot Input box (empty: every Pot prompts)\n"
    "  --pulsin TEXT    the Pulse In box (empty: every PulsIn prompts)\n"
    "  --answer TEXT    the reply to the next prompt (repeatable; none left: Cancel)\n"
    "  --word K=TEXT    type TEXT into word box K (0..7, 7 is the port word)\n"
    "  --switch N       click input switch N (0..7; repeatable)\n"
    "  --run            press Run once and tick until the run stops\n"
    "  --step-over      press Step Over; a step over a Gosub ticks until it returns\n"
    "  --quiet          no trace lines\n"
    "  --back N         after the run, go back N executed instructions and show that point\n"
    "  --who-wrote NAME after the final block, the instruction that last changed NAME (a variable\n"
    "                   such as W3, B0, Bit5, Pins, Dir2, or eeprom[I]; repeatable)\n"
    "  --save-state F   save the machine as it ends in state file F\n"
    "  --load-state F   start from state file F (saved from the same program) instead of a reset\n"
    "  --vcd FILE       write the pins, words and tones over simulated time as a Value Change Dump\n"
    "  --wav FILE       write the program's sound as a 16-bit mono WAV at 44,100 Hz\n"
    "  --break AAA      stop before the instruction at hex address AAA, once one has run (repeatable)\n"
#ifdef QX9_HAVE_LISTING
    "  --list           print a listing of the program that qx9asm assembles back to the same bytes\n"
#endif
    "  --scenario FILE  run the YAML scenario FILE (its program:, or OBJECT) in simulated time\n"
    "  --junit REPORT   with --scenario: write a JUnit XML report\n"
    "  --version        print the version\n"
    "Exit status: 0 done, 1 bad usage, 2 the file cannot be loaded (File Error!), a state file cannot be\n"
    "loaded or saved, or a --vcd or --wav file cannot be written; 5 out of memory; with --scenario also\n"
    "3 an expectation failed, 4 a wait timed out.\n";

// A scenario drives the program itself: of the other options only an OBJECT may come with it.
bool CheckScenarioArguments(const std::vector<std::string>& files, RunOptions& options, std::string& error) {
  const bool others = options.Run || options.StepOver || options.List || options.ThroughEnd || options.Quiet ||
                      options.Steps != RunOptions{}.Steps || !options.Pot.empty() || !options.PulsIn.empty() ||
                      !options.Answers.empty() || !options.Inputs.empty() || !options.VcdFile.empty() ||
                      !options.WavFile.empty() || options.Back || !options.WhoWrote.empty() ||
                      !options.SaveState.empty() || !options.LoadState.empty();
  if (options.Scenario.empty()) {
    error = "--junit needs --scenario";
  } else if (others) {
    error = "--scenario takes only --junit and an object file";
  } else if (files.size() > 1) {
    error = "more than one object file given";
  } else {
    options.File = files.empty() ? std::string() : files.front();
    return true;
  }
  return false;
}

}  // namespace

std::string RunUsage() {
  return "usage: qx9run [--steps N] [--through-end] [--pot TEXT] [--pulsin TEXT] [--answer TEXT]... "
         "[--word K=TEXT]... [--switch N]... [--run | --step-over] [--break AAA]... [--quiet] [--back N] "
         "[--who-wrote NAME]... [--save-state F] [--load-state F] [--vcd FILE] [--wav FILE] FILE"
         "\n       qx9run --scenario FILE.yaml [--junit REPORT.xml] [OBJECT]"
#ifdef QX9_HAVE_LISTING
         "\n       qx9run --list FILE"
#endif
      ;
}

bool ParseRunArguments(const std::vector<std::string>& args, RunOptions& options, std::string& error) {
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && (arg == "-h" || arg == "--help")) {
      options.Help = true;
      return true;
    }
    if (!optionsEnded && arg == "--version") {
      options.Version = true;
      return true;
    }
    // A single dash and a letter is an option too (mistyped or unknown), never a file name; a file
    // whose name starts with a dash goes after "--".
    if (!optionsEnded && arg.size() >= 2 && arg[0] == '-' && arg[1] != '-') {
      error = "unknown option " + arg;
      return false;
    }
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--through-end") {
      options.ThroughEnd = true;
    } else if (arg == "--run") {
      options.Run = true;
    } else if (arg == "--step-over") {
      options.StepOver = true;
    } else if (arg == "--quiet") {
      options.Quiet = true;
#ifdef QX9_HAVE_LISTING
    } else if (arg == "--list") {
      options.List = true;
#endif
    } else if (arg == "--steps") {
      if (!value(text)) return false;
      if (!ParseCount(text, options.Steps)) {
        error = "--steps needs a whole number of 0 or more, not '" + text + "'";
        return false;
      }
    } else if (arg == "--scenario") {
      if (!value(options.Scenario)) return false;
    } else if (arg == "--junit") {
      if (!value(options.JUnit)) return false;
    } else if (arg == "--vcd") {
      if (!value(options.VcdFile)) return false;
    } else if (arg == "--wav") {
      if (!value(options.WavFile)) return false;
    } else if (arg == "--pot") {
      if (!value(options.Pot)) return false;
    } else if (arg == "--pulsin") {
      if (!value(options.PulsIn)) return false;
    } else if (arg == "--break") {
      if (!value(text)) return false;
      int address = 0;
      if (!ParseBreakAddress(text, address)) {
        error = "--break needs a hex address 0..7FF as in the listing, not '" + text + "'";
        return false;
      }
      options.Breaks.push_back(address);
    } else if (arg == "--answer") {
      if (!value(text)) return false;
      options.Answers.push_back(text);
    } else if (arg == "--switch") {
      if (!value(text)) return false;
      RunOptions::PanelInput input{true, 0, {}};
      if (!ParseIndex(text, input.Index)) {
        error = "--switch needs a switch number 0..7, not '" + text + "'";
        return false;
      }
      options.Inputs.push_back(input);
    } else if (arg == "--word") {
      if (!value(text)) return false;
      const size_t eq = text.find('=');
      RunOptions::PanelInput input{false, 0, {}};
      if (eq == std::string::npos || !ParseIndex(text.substr(0, eq), input.Index)) {
        error = "--word needs K=TEXT with a word box K of 0..7, not '" + text + "'";
        return false;
      }
      input.Text = text.substr(eq + 1);
      options.Inputs.push_back(input);
    } else if (arg == "--back") {
      if (!value(text)) return false;
      options.Back = true;
      if (!ParseCount(text, options.BackSteps)) {
        error = "--back needs a whole number of 0 or more, not '" + text + "'";
        return false;
      }
    } else if (arg == "--who-wrote") {
      if (!value(text) || !CheckWhoWroteName(text, error)) return false;
      options.WhoWrote.push_back(text);
    } else if (arg == "--save-state") {
      if (!value(options.SaveState)) return false;
    } else if (arg == "--load-state") {
      if (!value(options.LoadState)) return false;
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (!options.Scenario.empty() || !options.JUnit.empty()) {
    return CheckScenarioArguments(files, options, error);
  }
  if (files.size() != 1) {
    error = files.empty() ? "no object file given" : "more than one object file given";
    return false;
  }
  if (options.Run && options.StepOver) {
    error = "--run and --step-over cannot be used together";
    return false;
  }
  if (options.List && (!options.VcdFile.empty() || !options.WavFile.empty())) {
    error = "--vcd and --wav record a run, not a --list";
    return false;
  }
  options.File = files.front();
  return true;
}

int RunProgram(const RunOptions& options, std::ostream& out, std::ostream& err) {
  PrintingHost host(out);
  Machine machine(host);
  if (!machine.LoadObjectFile(options.File)) {
    err << "File Error!\n";
    return kExitFile;
  }
#ifdef QX9_HAVE_LISTING
  if (options.List) {
    std::array<uint8_t, kImageSize> image{};
    for (int i = 0; i < kImageSize; ++i) image[i] = static_cast<uint8_t>(machine.Eeprom[i]);
    out << asmx::ListProgram(image);
    return kExitOk;
  }
#endif
  const MachineState loaded = machine;
  host.SetPotText(options.Pot);
  host.SetPulsInText(options.PulsIn);
  for (const std::string& answer : options.Answers) host.QueueAnswer(answer);

  RunExports exports(options.VcdFile, options.WavFile);
  exports.Attach(machine);
  machine.StartProgram();
  std::array<uint8_t, kImageSize> image{};
  for (int i = 0; i < kImageSize; ++i) image[i] = static_cast<uint8_t>(loaded.Eeprom[i]);
  HistoryRun history(options, machine, host, image);
  if (!history.LoadState(err)) return kExitFile;
  for (const RunOptions::PanelInput& input : options.Inputs) {
    if (input.IsSwitch) {
      machine.GInBtn_Click(input.Index);
    } else {
      host.TypeWordBox(input.Index, input.Text);
    }
  }
  history.StartRecording();
  const uint64_t base = machine.InstructionsExecuted;
  Session session(options, machine, host, out);
  session.Run();
  session.Breaks().Print(machine, out);
  if (machine.InstructionsExecuted - base >= options.Steps) out << "limit: " << options.Steps << '\n';
  history.GoBack(out, err);
  PrintFinalBlock(options, machine, host, loaded, session.Ticks(), out);
  bool filesOk = history.Finish(out, err);
  if (exports.Wanted()) {
    out.flush();  // the run's output first, then any complaint about the files
    if (!exports.Write(err)) filesOk = false;
  }
  return filesOk ? kExitOk : kExitFile;
}

int RunMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, scenario::PanelCamera* camera) {
  RunOptions options;
  std::string error;
  if (!ParseRunArguments(args, options, error)) {
    err << "qx9run: " << error << '\n' << RunUsage() << '\n';
    return kExitUsage;
  }
  if (options.Help) {
    out << RunUsage() << "\n\n" << kOptionHelp;
    return kExitOk;
  }
  if (options.Version) {
    out << "qx9run " << QX9_VERSION << '\n';
    return kExitOk;
  }
  if (!options.Scenario.empty()) {
    return RunScenarioCommand({options.Scenario, options.JUnit, options.File}, camera, out, err);
  }
  return RunProgram(options, out, err);
}

}  // namespace qx9
