#include "scenario_command.h"

#include <filesystem>
#include <vector>

#include "runner.h"
#include "scenario/junit_report.h"
#include "scenario/scenario_parser.h"
#include "scenario/scenario_runner.h"

namespace qx9 {

namespace {

using scenario::Outcome;

// Every check that needs no run: the schema, a program to run, a camera for the screenshots.
bool CheckScenario(const ScenarioCommand& command, scenario::PanelCamera* camera, scenario::Scenario& parsed,
                   std::vector<std::string>& errors) {
  if (!scenario::ParseScenarioFile(command.File, parsed, errors)) return false;
  if (command.Object.empty() && parsed.Program.empty()) {
    errors.push_back(command.File + ":1:1: no program to run: give program: in the scenario or an OBJECT argument");
  }
  for (const scenario::Step& step : parsed.Steps) {
    if (step.Kind == scenario::StepKind::Screenshot && camera == nullptr) {
      errors.push_back(command.File + ":" + std::to_string(step.Line) + ":" + std::to_string(step.Column) +
                       ": screenshot needs the panel, which this build of qx9run does not have");
    }
  }
  return errors.empty();
}

int ExitStatus(Outcome outcome) {
  switch (outcome) {
    case Outcome::Passed: return kExitOk;
    case Outcome::Failed: return kExitExpectation;
    case Outcome::TimedOut: return kExitTimeout;
    case Outcome::FileError: return kExitFile;
  }
  return kExitUsage;
}

scenario::ReportCase ReportOf(const scenario::Scenario& parsed, const scenario::RunResult& result) {
  scenario::ReportCase report;
  report.Name = parsed.Name;
  report.File = parsed.File;
  report.Log = result.Log;
  report.SimTimeUs = result.SimTimeUs;
  switch (result.Result) {
    case Outcome::Passed: break;
    case Outcome::Failed: report.Kind = "failure"; break;
    case Outcome::TimedOut: report.Kind = "timeout"; break;
    case Outcome::FileError: report.Kind = "error"; break;
  }
  if (result.Result == Outcome::FileError) {
    report.Message = "File Error!";
  } else if (result.Result != Outcome::Passed) {
    report.Message = "line " + std::to_string(result.FailedLine) + ": " + result.FailedStep + ": " + result.Failure;
  }
  return report;
}

// A report that cannot be written turns a pass into a failure: CI would otherwise see nothing.
int WriteReport(const ScenarioCommand& command, const scenario::ReportCase& report, int status, std::ostream& err) {
  if (command.JUnit.empty()) return status;
  std::string error;
  if (scenario::WriteFileAtomically(command.JUnit, scenario::JUnitXml(report), error)) return status;
  err << "qx9run: " << error << '\n';
  return status == kExitOk ? kExitUsage : status;
}

}  // namespace

int RunScenarioCommand(const ScenarioCommand& command, scenario::PanelCamera* camera, std::ostream& out,
                       std::ostream& err) {
  if (!command.JUnit.empty()) {
    const std::filesystem::path folder = std::filesystem::path(command.JUnit).parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder.empty() ? "." : folder, ec)) {
      err << "qx9run: --junit: the folder of " << command.JUnit << " does not exist\n";
      return kExitUsage;
    }
  }
  scenario::Scenario parsed;
  std::vector<std::string> errors;
  if (!CheckScenario(command, camera, parsed, errors)) {
    scenario::ReportCase report;
    report.Name = parsed.Name.empty() ? command.File : parsed.Name;
    report.File = command.File;
    report.Kind = "error";
    for (const std::string& error : errors) {
      err << error << '\n';
      report.Message += (report.Message.empty() ? "" : "\n") + error;
    }
    return WriteReport(command, report, kExitUsage, err);
  }
  const std::string program = command.Object.empty() ? parsed.Program : command.Object;
  const scenario::RunResult result = scenario::RunScenario(parsed, program, camera, out);
  if (result.Result == Outcome::FileError) err << "File Error!\n";
  return WriteReport(command, ReportOf(parsed, result), ExitStatus(result.Result), err);
}

}  // namespace qx9
