#pragma once
// Saving the machine to a file and reading it back. The file is small and versioned:
//
//   offset  size  field
//   0       8     magic "QX9STATE"
//   8       2     format version (1), little-endian like every number below
//   10      2     0
//   12      4     payload length in bytes
//   16      4     CRC-32 of the payload
//   20      ...   payload: the object file's content hash (8), the program image as loaded (256), the
//                 executed-instruction count (8), the machine state field by field, the LastPWM text
//
// A file that is not one of these, is cut short, damaged, written by a newer version or holds values no
// machine can have is refused with a message, and nothing is changed.

#include <array>
#include <cstdint>
#include <string>

#include "core/machine.h"

namespace qx9 {

constexpr uint16_t kStateFormat = 1;

struct SavedMachine {
  MachineState State;
  std::array<uint8_t, kImageSize> Image{};  // the program image as the object file gave it
  uint64_t InstructionsExecuted = 0;
  std::string LastPwm;  // the LastPWM box (the host holds it)
};

// The machine as a state to save: its state value, the image its program was loaded from, its count.
SavedMachine CaptureMachine(const Machine& machine, const std::array<uint8_t, kImageSize>& image,
                            const std::string& lastPwm);
// Puts a saved state into the machine, standing still and redrawn. The caller checks first that the
// saved image is the program's (ImageHash), shows saved.LastPwm in the LastPWM box, and restarts a
// history attached to the machine (History::Restart): what it recorded belongs to another run.
void RestoreMachine(Machine& machine, const SavedMachine& saved);

// FNV-1a over the image: which object file a state belongs to.
uint64_t ImageHash(const std::array<uint8_t, kImageSize>& image);

// Both return an empty string on success, else a message for the user that names the file.
// Saving writes a temporary file beside the target and renames it over the target, so a reader never
// sees half a file and a failed save leaves the old file as it was.
std::string SaveStateFile(const std::string& path, const SavedMachine& saved);
// On failure `out` is untouched.
std::string LoadStateFile(const std::string& path, SavedMachine& out);

}  // namespace qx9
