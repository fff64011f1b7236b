#include "scenario/junit_report.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace qx9::scenario {

std::string XmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        // Control characters other than tab, newline and return are not allowed in XML 1.0.
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        out += c;
    }
  }
  return out;
}

namespace {
std::string Seconds(int64_t us) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(us / 1000000),
                static_cast<long long>(us % 1000000 / 1000));
  return text;
}
}  // namespace

std::string JUnitXml(const ReportCase& report) {
  const bool failed = report.Kind == "failure" || report.Kind == "timeout";
  const bool error = report.Kind == "error";
  const std::string time = Seconds(report.SimTimeUs);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  xml += "<testsuites tests=\"1\" failures=\"" + std::string(failed ? "1" : "0") + "\" errors=\"" +
         (error ? "1" : "0") + "\" time=\"" + time + "\">\n";
  xml += "  <testsuite name=\"qx9run scenarios\" tests=\"1\" failures=\"" + std::string(failed ? "1" : "0") +
         "\" errors=\"" + (error ? "1" : "0") + "\" skipped=\"0\" time=\"" + time + "\">\n";
  xml += "    <testcase name=\"" + XmlEscape(report.Name) + "\" classname=\"" + XmlEscape(report.File) +
         "\" file=\"" + XmlEscape(report.File) + "\" time=\"" + time + "\">\n";
  if (failed || error) {
    const std::string tag = error ? "error" : "failure";
    xml += "      <" + tag + " type=\"" + report.Kind + "\" message=\"" + XmlEscape(report.Message) + "\">" +
           XmlEscape(report.Message) + "</" + tag + ">\n";
  }
  if (!report.Log.empty()) xml += "      <system-out>" + XmlEscape(report.Log) + "</system-out>\n";
  xml += "    </testcase>\n  </testsuite>\n</testsuites>\n";
  return xml;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file || !file.write(contents.data(), static_cast<std::streamsize>(contents.size())) ||
        !file.flush()) {
      error = "cannot write " + temporary + ": " + std::strerror(errno);
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    error = "cannot replace " + path + ": " + ec.message();
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace qx9::scenario
