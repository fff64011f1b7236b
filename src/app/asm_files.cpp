#include "asm_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "asm/assembler.h"

namespace qx9 {

namespace fs = std::filesystem;

namespace {

std::string Reason(int error) { return std::strerror(error); }

// The file a path stands for: a symbolic link is followed (also when what it names does not exist yet).
fs::path Target(const std::string& path) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
  const fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? fs::path(path) : resolved;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { Close(); }
  int get() const { return fd_; }
  int Close() {
    const int result = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The permissions a new file gets: read and write for everyone the umask lets through.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool ReadSource(const std::string& path, std::string& text, std::string& error) {
  // Non-blocking, so a FIFO without a writer cannot hold the assembler before it is refused.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    error = path + ": cannot read the source file (" + Reason(errno) + ")";
    return false;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    error = path + ": cannot read the source file (" + Reason(errno) + ")";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = path + ": not a regular file; the source must be a text file";
    return false;
  }
  const auto tooLarge = [&](uint64_t size) {
    error = path + ": the source is " + std::to_string(size) + " bytes; the most qx9asm reads is " +
            std::to_string(asmx::kMaxSourceBytes) + " (1 MiB)";
    return false;
  };
  if (static_cast<uint64_t>(info.st_size) > asmx::kMaxSourceBytes) {
    return tooLarge(static_cast<uint64_t>(info.st_size));
  }
  text.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": cannot read the source file (" + Reason(errno) + ")";
      return false;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
    // The file may have grown since it was measured.
    if (text.size() > asmx::kMaxSourceBytes) return tooLarge(text.size());
  }
  return true;
}

bool CheckOutput(const std::string& source, const std::string& output, std::string& error) {
  if (output.empty()) {
    error = "-o needs a file name";
    return false;
  }
  const fs::path target = Target(output);
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  if (!fs::exists(status)) return true;
  if (!fs::is_regular_file(status)) {
    error = output + ": not a regular file; the object file is not written there";
    return false;
  }
  if (fs::equivalent(target, source, ec)) {
    error = output + ": is the source file itself; choose another name for the object file";
    return false;
  }
  return true;
}

bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const fs::path target = Target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  FileDescriptor fd(::mkstemp(temporary.data()));
  if (fd.get() < 0) {
    error = path + ": cannot write the object file (" + Reason(errno) + " in " + folder.string() + ")";
    return false;
  }
  struct stat existing {};
  const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode();
  const bool written =
      ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.Close() == 0;
  const int writeError = errno;
  if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
    const int why = written ? errno : writeError;
    ::unlink(temporary.c_str());
    error = path + ": cannot write the object file (" + Reason(why) + "); nothing was changed";
    return false;
  }
  return true;
}

}  // namespace qx9
