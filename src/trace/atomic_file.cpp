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

// A device or a pipe (/dev/stdout, a fifo) cannot be replaced by renaming; it is written straight.
bool WriteStraight(const std::string& path, const ContentWriter& write, std::string& error) {
  const std::string what = "cannot write " + path + ": ";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    error = what + Reason(errno);
    return false;
  }
  std::string reason;
  bool ok = write(fd, reason);
  if (::close(fd) != 0 && ok) {
    reason = Reason(errno);
    ok = false;
  }
  if (!ok) error = what + reason;
  return ok;
}

bool WriteFileAtomically(const std::string& path, const ContentWriter& write, std::string& error) {
  const std::string what = "cannot write " + path + ": ";
  if (path.empty()) {
    error = "cannot write a file without a name";
    return false;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);  // through symbolic links
  if (fs::is_directory(status)) {
    error = what + "it is a folder";
    return false;
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) return WriteStraight(path, write, error);
  // A symbolic link stays a link: the file it points to is the one replaced.
  fs::path target(path);
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
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
  if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
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
