#pragma once
// A small reader of Value Change Dumps for the tests: every value a variable takes, by name, with the
// time it takes it. Enough for the dumps our writer and the tools we check against produce.

#include <cstdint>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace qx9::test {

struct Change {
  int64_t TimeUs = 0;
  std::string Value;  // "0", "1", or a vector's binary digits without leading zeros ("0" for zero)

  bool operator==(const Change&) const = default;
};

inline void PrintTo(const Change& c, std::ostream* os) { *os << "#" << c.TimeUs << " " << c.Value; }

// name -> its values in time order, a value repeating the one before left out.
using Traces = std::map<std::string, std::vector<Change>>;

inline std::string Trimmed(const std::string& digits) {
  const size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

inline Traces ReadVcd(const std::string& text) {
  std::istringstream in(text);
  std::map<std::string, std::string> names;  // id -> name
  Traces traces;
  int64_t time = 0;
  std::string token;
  auto record = [&](const std::string& id, const std::string& value) {
    const auto name = names.find(id);
    if (name == names.end()) return;
    std::vector<Change>& trace = traces[name->second];
    if (trace.empty() || trace.back().Value != value) trace.push_back({time, value});
  };
  while (in >> token) {
    if (token == "$var") {
      std::string type;
      std::string width;
      std::string id;
      std::string name;
      in >> type >> width >> id >> name;
      names[id] = name;
    } else if (token == "$dumpvars" || token == "$end") {
      continue;  // the values inside $dumpvars read like any others
    } else if (token[0] == '$') {
      while (in >> token && token != "$end") {}
    } else if (token[0] == '#') {
      time = std::stoll(token.substr(1));
    } else if (token[0] == 'b' || token[0] == 'B') {
      std::string id;
      in >> id;
      record(id, Trimmed(token.substr(1)));
    } else {
      record(token.substr(1), token.substr(0, 1));
    }
  }
  return traces;
}

}  // namespace qx9::test
