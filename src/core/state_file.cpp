// The state file: encoding, checks, and the atomic write.
#include "core/state_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace qx9 {

namespace {
constexpr std::string_view kMagic = "QX9STATE";
constexpr size_t kHeaderSize = 20;
constexpr size_t kMaxText = 4096;          // longer texts are no machine's
constexpr uintmax_t kMaxFileSize = 65536;  // a state is about 2 KB; anything far bigger is something else

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

class Writer {
 public:
  template <typename T>
  void Put(T value) {
    auto bits = static_cast<uint64_t>(value);
    for (size_t i = 0; i < sizeof(T); ++i, bits >>= 8) bytes.push_back(static_cast<uint8_t>(bits));
  }
  void Text(const std::string& text) {
    Put(static_cast<uint16_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
  }
  std::vector<uint8_t> bytes;
};

// Reads from the payload; once anything is missing every later read fails too.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  template <typename T>
  bool Get(T& value) {
    if (size_ - at_ < sizeof(T)) return ok_ = false;
    uint64_t bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<uint64_t>(data_[at_ + i]) << (8 * i);
    at_ += sizeof(T);
    value = static_cast<T>(bits);
    return ok_;
  }
  bool Text(std::string& text) {
    uint16_t length = 0;
    if (!Get(length) || length > kMaxText || size_ - at_ < length) return ok_ = false;
    text.assign(reinterpret_cast<const char*>(data_ + at_), length);
    at_ += length;
    return ok_;
  }
  bool ok() const { return ok_; }
  bool AtEnd() const { return at_ == size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

std::vector<uint8_t> Payload(const SavedMachine& saved) {
  Writer w;
  const MachineState& s = saved.State;
  w.Put(ImageHash(saved.Image));
  for (const uint8_t b : saved.Image) w.Put(b);
  w.Put(saved.InstructionsExecuted);
  for (const int32_t word : s.Ram) w.Put(word);
  for (const int16_t entry : s.Eeprom) w.Put(entry);
  w.Put(s.TokByte);
  w.Put(s.TokBit);
  for (const int16_t position : s.GosubStack) w.Put(position);
  w.Put(s.GosubDepth);
  w.Put(static_cast<uint8_t>(s.RestartPending));
  w.Put(s.WaitMs);
  w.Put(static_cast<uint8_t>(s.StepOverArmed));
  w.Put(s.StepOverTarget);
  for (const bool up : s.SwitchUp) w.Put(static_cast<uint8_t>(up));
  w.Put(s.SimTimeUs);
  w.Text(s.InstrText);
  w.Text(s.OperandText);
  w.Text(saved.LastPwm);
  return std::move(w.bytes);
}

bool GetFlag(Reader& r, bool& flag) {
  uint8_t byte = 0;
  if (!r.Get(byte)) return false;
  flag = byte != 0;
  return byte <= 1;
}

// The payload read back; an empty string or what is wrong with it.
std::string ParsePayload(const uint8_t* data, size_t size, SavedMachine& out) {
  Reader r(data, size);
  SavedMachine saved;
  MachineState& s = saved.State;
  uint64_t hash = 0;
  r.Get(hash);
  for (uint8_t& b : saved.Image) r.Get(b);
  r.Get(saved.InstructionsExecuted);
  for (int32_t& word : s.Ram) r.Get(word);
  for (int16_t& entry : s.Eeprom) r.Get(entry);
  r.Get(s.TokByte);
  r.Get(s.TokBit);
  for (int16_t& position : s.GosubStack) r.Get(position);
  r.Get(s.GosubDepth);
  bool flagsOk = GetFlag(r, s.RestartPending);
  r.Get(s.WaitMs);
  flagsOk = GetFlag(r, s.StepOverArmed) && flagsOk;
  r.Get(s.StepOverTarget);
  for (bool& up : s.SwitchUp) flagsOk = GetFlag(r, up) && flagsOk;
  r.Get(s.SimTimeUs);
  r.Text(s.InstrText);
  r.Text(s.OperandText);
  r.Text(saved.LastPwm);
  if (!r.ok() || !r.AtEnd()) return "its contents do not fit the format";
  if (hash != ImageHash(saved.Image)) return "its program image does not match its hash";
  if (!flagsOk) return "a flag holds neither 0 nor 1";
  // Byte 256 with bit 7 is where a program that ran off its image stands.
  if (s.TokByte < 0 || s.TokByte > kImageSize || s.TokBit < -1 || s.TokBit > 7) {
    return "the token position lies outside the image";
  }
  if (s.GosubDepth < 0 || s.GosubDepth > kStackSize) return "the return stack is deeper than the machine's";
  out = std::move(saved);
  return {};
}

std::string SystemError() { return std::strerror(errno); }
}  // namespace

SavedMachine CaptureMachine(const Machine& machine, const std::array<uint8_t, kImageSize>& image,
                            const std::string& lastPwm) {
  SavedMachine saved;
  saved.State = machine;
  saved.State.Busy = false;
  saved.State.ListOnly = false;
  saved.Image = image;
  saved.InstructionsExecuted = machine.InstructionsExecuted;
  saved.LastPwm = lastPwm;
  return saved;
}

void RestoreMachine(Machine& machine, const SavedMachine& saved) {
  static_cast<MachineState&>(machine) = saved.State;
  machine.Busy = false;
  machine.ListOnly = false;
  machine.InstructionsExecuted = saved.InstructionsExecuted;
  machine.RefreshPanel();  // the word boxes show the loaded words, and the next cycle reads them back
}

uint64_t ImageHash(const std::array<uint8_t, kImageSize>& image) {
  uint64_t hash = 14695981039346656037ull;
  for (const uint8_t b : image) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

std::string SaveStateFile(const std::string& path, const SavedMachine& saved) {
  const std::vector<uint8_t> payload = Payload(saved);
  Writer header;
  for (const char c : kMagic) header.Put(static_cast<uint8_t>(c));
  header.Put(kStateFormat);
  header.Put(uint16_t{0});
  header.Put(static_cast<uint32_t>(payload.size()));
  header.Put(Crc32(payload.data(), payload.size()));
  std::vector<uint8_t> bytes = std::move(header.bytes);
  bytes.insert(bytes.end(), payload.begin(), payload.end());

  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return "cannot write " + path + ": " + SystemError();
  // A temporary file is private; the saved one gets the permissions any new file of the user gets.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const std::string writeError = written < bytes.size() ? SystemError() : std::string();
  const bool synced = written == bytes.size() && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (written < bytes.size() || !synced || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string reason = writeError.empty() ? SystemError() : writeError;
    std::remove(temp.c_str());
    return "cannot write " + path + ": " + reason;
  }
  return {};
}

std::string LoadStateFile(const std::string& path, SavedMachine& out) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    return "cannot read " + path + ": " +
           (std::filesystem::exists(path, error) ? "not a regular file" : "no such file");
  }
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxFileSize) return path + " is not a qx9 state file";
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    return "cannot read " + path;
  }
  if (bytes.size() < kMagic.size() || std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0) {
    return path + " is not a qx9 state file";
  }
  if (bytes.size() < kHeaderSize) return path + " is truncated";
  Reader header(bytes.data() + kMagic.size(), kHeaderSize - kMagic.size());
  uint16_t version = 0;
  uint16_t reserved = 0;
  uint32_t length = 0;
  uint32_t crc = 0;
  header.Get(version);
  header.Get(reserved);
  header.Get(length);
  header.Get(crc);
  if (version > kStateFormat) {
    return path + " was written by a newer version (state format " + std::to_string(version) +
           "; this one reads format " + std::to_string(kStateFormat) + ")";
  }
  if (version == 0 || reserved != 0) return path + " is not a qx9 state file (unknown format)";
  if (bytes.size() - kHeaderSize < length) return path + " is truncated";
  if (bytes.size() - kHeaderSize > length) return path + " is damaged (bytes after its end)";
  if (Crc32(bytes.data() + kHeaderSize, length) != crc) return path + " is damaged (checksum mismatch)";
  const std::string wrong = ParsePayload(bytes.data() + kHeaderSize, length, out);
  if (!wrong.empty()) return path + " is damaged (" + wrong + ")";
  return {};
}

}  // namespace qx9
