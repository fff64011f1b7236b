// An executed instruction's text is built when someone reads it, not while the program runs; read
// late, it must still be the text the instruction had when it executed.
#include <gtest/gtest.h>

#include "fuzz/machine_invariants.h"
#include "support/program_builder.h"

namespace qx9::test {
namespace {

using B = ProgramBuilder;

// A machine whose host shows no panel, so nothing asks for a text until the test does.
struct Headless {
  ScriptedHost host;
  Machine m{host};
  explicit Headless(const B& program) {
    host.Mode = Host::Boxes::NoPanel;
    m.LoadImage(program.Build());
    m.StartProgram();
  }
};

// The jump mark is the one the If made, not one worked out again from the words as they are now.
TEST(TextOnDemand, AnIfKeepsTheJumpItMadeWhateverTheWordsAreLater) {
  Headless h(B().If({{V("W0"), 4, C(0)}}, 0x20));
  h.m.ExecuteNext();
  h.m.Ram[0] = 5;
  EXPECT_EQ(h.m.InstructionText(), "If W0=0 Then 20 (->)");
}

// The Let takes 27 bits from address 19, so the Write starts in image entry 5: data location 250.
TEST(TextOnDemand, AWriteOverItsOwnBitsShowsWhatExecuted) {
  Headless h(B().Let(V("W0"), {{1, C(255)}}).Write(C(250), V("W0")));
  h.m.ExecuteNext();
  h.m.ExecuteNext();
  EXPECT_EQ(h.m.Eeprom[5], 255);
  EXPECT_EQ(h.m.InstructionText(), "Write 250,W0");
}

}  // namespace
}  // namespace qx9::test
