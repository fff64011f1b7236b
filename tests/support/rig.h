#pragma once
// A machine wired to the scripted host, with the load step done, for tests that run programs.

#include <cstdint>
#include <string>
#include <utility>

#include "core/machine.h"
#include "support/fake_host.h"
#include "support/program_builder.h"

namespace qx9::test {

struct Rig {
  FakeHost host;
  Machine m{host};

  // Loads the image and runs the load step's first cycle (reset and preview); the log starts empty.
  void Load(const std::array<uint8_t, 256>& image) {
    m.LoadImage(image);
    m.StartProgram();
    host.ClearEvents();
  }
  void Load(const ProgramBuilder& program) { Load(program.Build()); }
  // Sets a word as the machine and the panel both hold it (every cycle reads the word boxes first).
  void SetWord(int index, int32_t value) {
    m.Ram[index] = WrapWord(value);
    host.TypeWordBox(index, WordBoxText(value));
  }
  uint16_t Word(int index) const { return static_cast<uint16_t>(m.Ram[index]); }
  // Executes the next instruction as a cycle would (no preview afterwards); returns its text.
  std::string Exec() {
    m.ExecuteNext();
    return m.InstructionText();
  }
  // The text of the next instruction, decoded as the panel's preview does (position kept).
  std::string Preview() {
    m.PreviewNext();
    return m.InstructionText();
  }
  std::pair<int, int> Pos() const { return {m.TokByte, m.TokBit}; }
};

}  // namespace qx9::test
