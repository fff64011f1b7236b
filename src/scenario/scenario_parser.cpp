#include "scenario/scenario_parser.h"

#include "scenario/scenario_values.h"

#include <yaml-cpp/yaml.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace qx9::scenario {

namespace fs = std::filesystem;

namespace {

// A scalar written in quotes is always text, never a number, boolean or null.
bool IsQuoted(const YAML::Node& node) { return node.Tag() == "!"; }

bool IsNullValue(const YAML::Node& node) { return node.IsNull() && !IsQuoted(node); }

// The value as the report prints it: the source's scalars, quoted where they were, in flow style. An
// alias can make a node contain itself, so the nesting shown is limited.
std::string FlowText(const YAML::Node& node, int depth = 0) {
  if (depth > 4) return "...";
  if (!node.IsDefined() || node.IsNull()) return "null";
  if (node.IsScalar()) {
    if (!IsQuoted(node)) return node.Scalar();
    std::string text = "\"";
    for (char c : node.Scalar()) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    return text + "\"";
  }
  std::string text;
  if (node.IsSequence()) {
    for (const YAML::Node& item : node) text += (text.empty() ? "" : ", ") + FlowText(item, depth + 1);
    return "[" + text + "]";
  }
  for (const auto& pair : node) {
    text += (text.empty() ? "" : ", ") + FlowText(pair.first, depth + 1) + ": " + FlowText(pair.second, depth + 1);
  }
  return "{" + text + "}";
}

class Parser {
 public:
  Parser(const std::string& path, std::vector<std::string>& errors)
      : path_(path), folder_(fs::path(path).parent_path()), errors_(errors) {}

  void Parse(const YAML::Node& root, Scenario& out) {
    out.File = path_;
    out.Name = fs::path(path_).filename().string();
    if (!root.IsMap()) {
      Error(root.Mark(), "a scenario is a map with name:, program: and steps:");
      return;
    }
    if (!CheckKeys(root, {"name", "program", "steps"}, {"steps"}, "a scenario")) return;
    if (const YAML::Node name = root["name"]) {
      if (Text(name, "name", out.Name) && out.Name.empty()) Error(name.Mark(), "name: is empty");
    }
    if (const YAML::Node program = root["program"]) {
      if (Text(program, "program", out.Program)) {
        if (out.Program.empty()) Error(program.Mark(), "program: is empty");
        out.Program = Resolve(out.Program);
      }
    }
    const YAML::Node steps = root["steps"];
    if (!steps.IsSequence()) {
      Error(steps.Mark(), "steps: must be a list of steps");
      return;
    }
    for (const YAML::Node& node : steps) {
      Step step;
      if (ParseStep(node, step)) out.Steps.push_back(std::move(step));
    }
  }

 private:
  using Handler = bool (Parser::*)(const YAML::Node&, Step&);
  struct StepRule {
    StepKind Kind;
    Handler Parse;
  };

  bool ParseStep(const YAML::Node& node, Step& step) {
    static const std::map<std::string, StepRule> kSteps = {
        {"set-switch", {StepKind::SetSwitch, &Parser::SetSwitch}},
        {"type-word", {StepKind::TypeWord, &Parser::TypeWord}},
        {"set-pot", {StepKind::SetPot, &Parser::BoxText}},
        {"set-pulsin", {StepKind::SetPulsIn, &Parser::BoxText}},
        {"answer", {StepKind::Answer, &Parser::Answer}},
        {"delay", {StepKind::Delay, &Parser::Delay}},
        {"wait-pin", {StepKind::WaitPin, &Parser::WaitPin}},
        {"wait-word", {StepKind::WaitWord, &Parser::WaitWord}},
        {"expect-pin", {StepKind::ExpectPin, &Parser::ExpectPin}},
        {"expect-word", {StepKind::ExpectWord, &Parser::ExpectWord}},
        {"expect-message", {StepKind::ExpectMessage, &Parser::ExpectMessage}},
        {"expect-tone", {StepKind::ExpectTone, &Parser::ExpectTone}},
        {"screenshot", {StepKind::Screenshot, &Parser::Screenshot}},
    };
    if (!node.IsMap() || node.size() != 1) {
      Error(node.Mark(), "a step is one name and its value, like 'delay: 500ms'");
      return false;
    }
    const auto pair = *node.begin();
    step.Line = pair.first.Mark().line + 1;
    step.Column = pair.first.Mark().column + 1;
    const std::string name = pair.first.IsScalar() ? pair.first.Scalar() : "";
    const auto rule = kSteps.find(name);
    if (rule == kSteps.end()) {
      std::string known;
      for (const auto& entry : kSteps) known += (known.empty() ? "" : ", ") + entry.first;
      Error(pair.first.Mark(), "unknown step '" + name + "' (known: " + known + ")");
      return false;
    }
    step.Kind = rule->second.Kind;
    step.Text = name + ": " + FlowText(pair.second);
    name_ = name;
    return (this->*rule->second.Parse)(pair.second, step);
  }

  // --- the steps ----------------------------------------------------------------------------

  bool SetSwitch(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"pin", "up"}, {"pin", "up"}, name_)) return false;
    const bool pin = Pin(value["pin"], step.Index);
    return Bool(value["up"], "up", step.Up) && pin;
  }

  bool TypeWord(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"word", "text"}, {"word", "text"}, name_)) return false;
    const bool word = Word(value["word"], step.Index);
    return Text(value["text"], "text", step.Str) && word;
  }

  bool BoxText(const YAML::Node& value, Step& step) { return Text(value, name_, step.Str); }

  bool Answer(const YAML::Node& value, Step& step) {
    if (IsNullValue(value)) return true;  // Cancel
    std::string text;
    if (!Text(value, name_, text)) return false;
    step.Reply = text;
    return true;
  }

  bool Delay(const YAML::Node& value, Step& step) { return Duration(value, name_, step.DurationUs); }

  bool WaitPin(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"pin", "value", "timeout"}, {"pin", "value"}, name_)) return false;
    return PinAndLevel(value, step) && Timeout(value, step);
  }

  bool WaitWord(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"word", "value", "timeout"}, {"word", "value"}, name_)) return false;
    return WordAndValue(value, step) && Timeout(value, step);
  }

  bool ExpectPin(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"pin", "value"}, {"pin", "value"}, name_)) return false;
    return PinAndLevel(value, step);
  }

  bool ExpectWord(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"word", "value"}, {"word", "value"}, name_)) return false;
    return WordAndValue(value, step);
  }

  bool ExpectMessage(const YAML::Node& value, Step& step) { return Text(value, name_, step.Str); }

  bool ExpectTone(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"frequency", "duration", "timeout"}, {"frequency", "duration"}, name_)) return false;
    int64_t frequency = 0;
    const bool ok = Integer(value["frequency"], "frequency", 0, 32767, frequency);
    step.Frequency = static_cast<int>(frequency);
    return Duration(value["duration"], "duration", step.DurationUs) && Timeout(value, step) && ok;
  }

  bool Screenshot(const YAML::Node& value, Step& step) {
    if (!CheckKeys(value, {"save-to", "compare-with"}, {}, name_)) return false;
    if (value.size() == 0) {
      Error(value.Mark(), "screenshot needs save-to:, compare-with: or both");
      return false;
    }
    bool ok = true;
    if (const YAML::Node save = value["save-to"]) ok = SaveTarget(save, step.SaveTo);
    if (const YAML::Node compare = value["compare-with"]) ok = Reference(compare, step.CompareWith) && ok;
    return ok;
  }

  // --- values -------------------------------------------------------------------------------

  bool PinAndLevel(const YAML::Node& value, Step& step) {
    int64_t level = 0;
    const bool pin = Pin(value["pin"], step.Index);
    const bool ok = Integer(value["value"], "value", 0, 1, level);
    step.Value = static_cast<int32_t>(level);
    return pin && ok;
  }

  // A word's value: its 16-bit pattern, written signed (-3), unsigned (65533) or in hex (0xFFFD).
  bool WordAndValue(const YAML::Node& value, Step& step) {
    int64_t number = 0;
    const bool word = Word(value["word"], step.Index);
    const bool ok = Integer(value["value"], "value", -32768, 65535, number);
    step.Value = static_cast<int32_t>(number);
    return word && ok;
  }

  bool Timeout(const YAML::Node& value, Step& step) {
    step.TimeoutUs = kDefaultTimeoutUs;
    const YAML::Node timeout = value["timeout"];
    return !timeout || Duration(timeout, "timeout", step.TimeoutUs);
  }

  bool Pin(const YAML::Node& node, int& pin) {
    int64_t number = 0;
    if (!Integer(node, "pin", 0, 7, number)) return false;
    pin = static_cast<int>(number);
    return true;
  }

  bool Word(const YAML::Node& node, int& index) {
    static const char* const kNames[8] = {"W0", "W1", "W2", "W3", "W4", "W5", "W6", "PORT"};
    if (node.IsScalar() && !IsQuoted(node)) {
      for (int i = 0; i < 8; ++i) {
        if (node.Scalar() == kNames[i]) {
          index = i;
          return true;
        }
      }
    }
    Error(node.Mark(), "word: must be one of W0..W6 or PORT, not " + FlowText(node));
    return false;
  }

  bool Integer(const YAML::Node& node, const std::string& key, int64_t min, int64_t max, int64_t& value) {
    if (!node.IsScalar() || IsQuoted(node) || !ParseInteger(node.Scalar(), value)) {
      Error(node.Mark(), key + ": must be a whole number, not " + FlowText(node));
      return false;
    }
    if (value < min || value > max) {
      Error(node.Mark(),
            key + ": must be from " + std::to_string(min) + " to " + std::to_string(max) + ", not " + node.Scalar());
      return false;
    }
    return true;
  }

  bool Bool(const YAML::Node& node, const std::string& key, bool& value) {
    if (node.IsScalar() && !IsQuoted(node) && (node.Scalar() == "true" || node.Scalar() == "false")) {
      value = node.Scalar() == "true";
      return true;
    }
    Error(node.Mark(), key + ": must be true or false, not " + FlowText(node));
    return false;
  }

  // Any scalar is text: 120 and "120" are the same box contents.
  bool Text(const YAML::Node& node, const std::string& key, std::string& value) {
    if (!node.IsScalar()) {
      Error(node.Mark(), key + ": must be a text, not " + FlowText(node));
      return false;
    }
    value = node.Scalar();
    return true;
  }

  bool Duration(const YAML::Node& node, const std::string& key, int64_t& us) {
    if (!node.IsScalar() || IsQuoted(node) || !ParseDurationText(node.Scalar(), us)) {
      Error(node.Mark(), key + ": must be a duration like 500ms or 2s (whole milliseconds), not " + FlowText(node));
      return false;
    }
    if (us > kMaxDurationUs) {
      Error(node.Mark(), key + ": must be at most 3600s, not " + node.Scalar());
      return false;
    }
    return true;
  }

  bool SaveTarget(const YAML::Node& node, std::string& path) {
    std::string text;
    if (!Text(node, "save-to", text)) return false;
    path = Resolve(text);
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (text.empty() || !fs::is_directory(folder.empty() ? fs::path(".") : folder, ec)) {
      Error(node.Mark(), "save-to: the folder of '" + path + "' does not exist");
      return false;
    }
    return true;
  }

  bool Reference(const YAML::Node& node, std::string& path) {
    std::string text;
    if (!Text(node, "compare-with", text)) return false;
    path = Resolve(text);
    std::ifstream file(path, std::ios::binary);
    if (text.empty() || !file) {
      Error(node.Mark(), "compare-with: the reference image '" + path + "' cannot be read");
      return false;
    }
    return true;
  }

  // Every key known, each once, the required ones present.
  bool CheckKeys(const YAML::Node& node, const std::set<std::string>& known, const std::set<std::string>& required,
                 const std::string& what) {
    if (!node.IsMap()) {
      std::string keys;
      std::string optional;
      for (const std::string& key : known) {
        std::string& list = required.contains(key) ? keys : optional;
        list += (list.empty() ? "" : ", ") + key + ":";
      }
      if (keys.empty())
        keys = optional;
      else if (!optional.empty())
        keys += " and optionally " + optional;
      Error(node.Mark(), what + " needs a map of " + keys + ", not " + FlowText(node));
      return false;
    }
    bool ok = true;
    std::set<std::string> seen;
    for (const auto& pair : node) {
      const std::string key = pair.first.IsScalar() ? pair.first.Scalar() : FlowText(pair.first);
      if (!known.contains(key)) {
        std::string keys;
        for (const std::string& k : known) keys += (keys.empty() ? "" : ", ") + k;
        Error(pair.first.Mark(), "unknown key '" + key + "' in " + what + " (known: " + keys + ")");
        ok = false;
      } else if (!seen.insert(key).second) {
        Error(pair.first.Mark(), "key '" + key + "' given twice in " + what);
        ok = false;
      }
    }
    for (const std::string& key : required) {
      if (!seen.contains(key)) {
        Error(node.Mark(), what + " needs " + key + ":");
        ok = false;
      }
    }
    return ok;
  }

  std::string Resolve(const std::string& text) const {
    const fs::path given(text);
    if (given.is_absolute() || folder_.empty()) return text;
    return (folder_ / given).string();
  }

  void Error(const YAML::Mark& mark, const std::string& message) {
    // A node that has no place in the file (a missing value) is reported at the file's start.
    const int line = mark.line >= 0 ? mark.line + 1 : 1;
    const int column = mark.column >= 0 ? mark.column + 1 : 1;
    errors_.push_back(path_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message);
  }

  std::string path_;
  fs::path folder_;
  std::vector<std::string>& errors_;
  std::string name_;  // the step being parsed
};

}  // namespace

bool ParseScenarioText(const std::string& text, const std::string& path, Scenario& out,
                       std::vector<std::string>& errors) {
  const size_t before = errors.size();
  YAML::Node root;
  try {
    root = YAML::Load(text);
  } catch (const YAML::Exception& e) {
    errors.push_back(path + ":" + std::to_string(e.mark.line + 1) + ":" + std::to_string(e.mark.column + 1) + ": " +
                     e.msg);
    return false;
  }
  Parser parser(path, errors);
  parser.Parse(root, out);
  return errors.size() == before;
}

bool ParseScenarioFile(const std::string& path, Scenario& out, std::vector<std::string>& errors) {
  std::error_code ec;
  std::ifstream file(path, std::ios::binary);
  if (fs::is_directory(path, ec) || !file) {
    errors.push_back(path + ":1:1: cannot read the scenario file");
    return false;
  }
  // An empty file reads as nothing at all and is reported as not being a scenario.
  std::stringstream text;
  text << file.rdbuf();
  return ParseScenarioText(text.str(), path, out, errors);
}

}  // namespace qx9::scenario
