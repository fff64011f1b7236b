#include "scenario/junit_report.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace qx9::scenario {

namespace {
// The length of the well-formed UTF-8 sequence starting at text[i], or 0 when it is not one.
size_t Utf8Length(const std::string& text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}
}  // namespace

std::string XmlEscape(const std::string& text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      // A report in UTF-8 must be UTF-8 throughout: a stray byte becomes the replacement character.
      const size_t length = Utf8Length(text, i);
      out += length == 0 ? "\xEF\xBF\xBD" : text.substr(i, length);
      if (length > 0) i += length - 1;
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\n':
        // A reader turns a line break inside an attribute into a blank unless it is a reference.
        out += attribute ? "&#10;" : "\n";
        break;
      default:
        // Control characters other than tab, newline and return are not allowed in XML 1.0.
        if (byte < 0x20 && c != '\t' && c != '\r') break;
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
  xml += "    <testcase name=\"" + XmlEscape(report.Name, true) + "\" classname=\"" + XmlEscape(report.File, true) +
         "\" file=\"" + XmlEscape(report.File, true) + "\" time=\"" + time + "\">\n";
  if (failed || error) {
    const std::string tag = error ? "error" : "failure";
    xml += "      <" + tag + " type=\"" + report.Kind + "\" message=\"" + XmlEscape(report.Message, true) + "\">" +
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
    if (!file || !file.write(contents.data(), static_cast<std::streamsize>(contents.size())) || !file.flush()) {
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
