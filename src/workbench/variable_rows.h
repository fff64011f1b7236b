#pragma once
// The rows of the variables view, computed from a machine state: every word, byte, bit of W0, the port,
// the Gosub stack, the image bytes that differ from the file and LastPWM, each as a name and its texts.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/machine.h"
#include "workbench/program_text.h"

namespace qx9 {

struct VariableRow {
  std::string Name;
  std::string Value;    // hex for words, the panel's way
  std::string Decimal;  // signed decimal where it means something
  int WordIndex = -1;   // 0..7 for a row that edits a word box
};

struct VariableSource {
  const MachineState* State = nullptr;
  const std::array<uint8_t, kImageSize>* FileImage = nullptr;  // null: no image rows
  const ProgramText* Program = nullptr;                        // for the return lines; may be null
  std::string LastPWM;
};

std::vector<VariableRow> VariableRows(const VariableSource& source);

// The linear address a saved Gosub return position stands for.
int SavedPositionAddress(int16_t saved);

}  // namespace qx9
