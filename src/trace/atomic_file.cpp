#include "trace/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace qx9::trace {

namespace {

std::string Reason(int err) { return std::strerror(err); }

// mkstemp makes its file readable by the owner only; the export should get the usual mode.
void GiveUsualMode(int fd) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
}

}  // namespace

bool WriteAll(int fd, const char* data, size_t size, std::string& error) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      error = Reason(errno);
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const ContentWriter& write, std::string& error) {
  const std::string what = "cannot write " + path + ": ";
  if (path.empty()) {
    error = "cannot write a file without a name";
    return false;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = what + "it is a folder";
    return false;
  }
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = what + Reason(errno);
    return false;
  }
  temp = name.data();
  GiveUsualMode(fd);
  std::string reason;
  bool ok = write(fd, reason);
  if (ok && ::fsync(fd) != 0) {
    reason = Reason(errno);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    reason = Reason(errno);
    ok = false;
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    reason = Reason(errno);
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    error = what + reason;
  }
  return ok;
}

}  // namespace qx9::trace
