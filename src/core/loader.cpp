// Loading the object file and resetting the machine.
#include <filesystem>
#include <fstream>

#include "core/machine.h"

namespace qx9 {

bool Machine::LoadObjectFile(const std::string& path) {
  // Only a regular file is read (a folder, a pipe or a device is refused rather than blocked on),
  // and the image changes only when all 256 bytes arrived.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::array<char, kImageSize> bytes{};
  in.read(bytes.data(), kImageSize);
  if (in.gcount() != kImageSize) return false;
  std::array<uint8_t, kImageSize> image{};
  for (int i = 0; i < kImageSize; ++i) image[i] = static_cast<uint8_t>(bytes[i]);
  LoadImage(image);
  return true;
}

void Machine::LoadImage(const std::array<uint8_t, kImageSize>& bytes) {
  for (int i = 0; i < kImageSize; ++i) Eeprom[i] = bytes[i];
}

// The port word, the image, the switches and the texts survive a reset; W0..W6 and the run state go.
void Machine::ResetMachine() {
  JumpTo(kFirstTokenAddress);  // the top bits of byte 2 are not part of the program
  StepOverTarget = 0;
  StepOverArmed = false;
  for (int i = 0; i < 7; ++i) Ram[i] = 0;
  for (int i = 0; i < 7; ++i) WordsWritten[i] = 1;
  GosubDepth = 0;
  WaitMs = 0;
}

}  // namespace qx9
