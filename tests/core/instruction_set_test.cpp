// The description of the instruction set that the executor, the assembler and the listing share.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/instruction_set.h"
#include "core/machine.h"
#include "core/null_host.h"
#include "support/program_builder.h"

namespace qx9::test {
namespace {

int Occurrences(std::string_view text, const std::string& piece) {
  int count = 0;
  for (size_t at = text.find(piece); at != std::string_view::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

// Each field's text has exactly one place in the source form, and no place is left for a field that
// does not exist: a slip here would drop or invent an operand in every listing. Keywords are distinct.
TEST(InstructionSet, EverySourceFormPlacesEachFieldOnce) {
  std::set<std::string> keywords;
  for (int opcode = 0; opcode < kOpcodeCount; ++opcode) {
    const InstructionForm& form = FormOf(opcode);
    SCOPED_TRACE(std::string(form.Keyword));
    keywords.insert(std::string(form.Keyword));
    EXPECT_EQ(form.Source.substr(0, form.Keyword.size()), form.Keyword);
    for (int field = 0; field < form.FieldCount; ++field) {
      EXPECT_EQ(Occurrences(form.Source, "{" + std::to_string(field) + "}"), 1) << "field " << field;
    }
    EXPECT_EQ(Occurrences(form.Source, "{"), form.FieldCount);
  }
  EXPECT_EQ(keywords.size(), static_cast<size_t>(kOpcodeCount));
}

// Decoding reports extent, targets and fall-through from the fields read, and leaves the position alone.
TEST(InstructionSet, DecodeReportsExtentTargetsAndFallThrough) {
  NullHost host;
  Machine m(host);
  m.LoadImage(ProgramBuilder().Goto(0x40).Gosub(0x50, 3).Build());
  const int position = m.LinearAddress();
  const Decoded jump = m.Decode(kFirstTokenAddress, Machine::DecodeEffects::Quiet, true);
  EXPECT_EQ(jump.Text, "Goto 40");
  EXPECT_EQ(jump.End, kFirstTokenAddress + kOpcodeWidth + kTargetWidth);
  EXPECT_EQ(jump.Targets, std::vector<int>{0x40});
  EXPECT_FALSE(jump.FallsThrough);
  const Decoded call = m.Decode(jump.End, Machine::DecodeEffects::Quiet, true);
  EXPECT_TRUE(call.FallsThrough);
  EXPECT_EQ(m.LinearAddress(), position);
}

}  // namespace
}  // namespace qx9::test
