// What the panel shows can be typed back: the assembled instruction decodes to the same text.
// And the forms the panel does not show (widths, For ... To ... Next) set the fields they promise.
#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "asm/decoder.h"
#include "support/rig.h"

namespace qx9::asmx {
namespace {

struct TypedBack {
  const char* Source;
  const char* PanelText;
};

const TypedBack kTypedBack[] = {
    {"High 3", "High 3"},
    {"  high   3  ; a comment", "High 3"},
    {"Toggle B2", "Toggle B2"},
    {"PWM 3,128,10", "PWM 3,128,10"},
    {"Pot 0,100,B2", "Pot 0,100,B2"},
    {"Pulsout 2 , 7", "Pulsout 2,7"},
    {"PulsIn 3,1,W1", "PulsIn 3,1,W1"},
    {"Pause 100", "Pause 100"},
    {"Pause 40000", "Pause -25536"},
    {"Pause -1", "Pause -1"},
    {"Nap 4", "Nap 4"},
    {"Sleep 60", "Sleep 60"},
    {"Sound 1,(100,50,)", "Sound 1,(100,50,)"},
    {"Sound 1,(100,50,0,10)", "Sound 1,(100,50,0,10,)"},
    {"For B2=1", "For B2=1"},
    {"Read 0,B2", "Read 0,B2"},
    {"Write 5,W1", "Write 5,W1"},
    {"Random W0", "Random W0"},
    {"Goto 1A3", "Goto 1A3"},
    {"goto 01a3", "Goto 1A3"},
    {"Gosub 2F", "Gosub 2F"},
    {"Return", "Return"},
    {"Debug", "Debug"},
    {"End", "End"},
    {"Button Unimplemented!", "Button Unimplemented!"},
    {"Serout", "Serout Unimplemented!"},
    {"Let B0=5", "Let B0=5"},
    {"Let B0=B0+1", "Let B0=B0+1"},
    {"let b0 = b0 + 1", "Let B0=B0+1"},
    {"Let W1=W1-1", "Let W1=W1-1"},
    {"Let W1=B2*3/2", "Let W1=B2*3/2"},
    {"Let B3=B3MIN10", "Let B3=B3MIN10"},
    {"Let Pins=Pins&/15", "Let Pins=Pins&/15"},
    {"Let W0=W0**-1|/Bit15^/Port//3MAXDirs", "Let W0=W0**-1|/Bit15^/Port//3MAXDirs"},
    {"Let B0=#1 B0+1", "Let B0=B0+1"},
    {"If B0<5 Then 1A", "If B0<5 Then 1A (->)"},
    {"If B0<5ANDB1=3 Then 1A", "If B0<5ANDB1=3 Then 1A"},
    {"if b0 < 5 and b1 = 3 then 1a (->)", "If B0<5ANDB1=3 Then 1A"},
    {"If Pin3=1ORW6<>-2 Then 7F0", "If Pin3=1ORW6<>-2 Then 7F0 (->)"},
    {"If Dir7>=1 Then 0", "If Dir7>=1 Then 0"},
    {"Branch B2,(1A,2F,)", "Branch B2,(1A,2F,)"},
    {"Lookup B2,(10,20,30,),B0", "Lookup B2,(10,20,30,),B0"},
    {"Lookdown B2,(10,20,30),B1", "Lookdown B2,(10,20,30,),B1"},
    {"Next B0 Step 1 Up 10,0 Then 13", "Next B0"},
};

class TypedBackTest : public ::testing::TestWithParam<TypedBack> {};

TEST_P(TypedBackTest, DecodesToThePanelText) {
  const AssembleResult r = Assemble(GetParam().Source);
  ASSERT_TRUE(r.Ok()) << FormatDiagnostic("line", r.Errors.front());
  test::Rig rig;
  rig.Load(r.Image);
  EXPECT_EQ(rig.Preview(), GetParam().PanelText);
}

INSTANTIATE_TEST_SUITE_P(Asm, TypedBackTest, ::testing::ValuesIn(kTypedBack));

// The width of an instruction shows in where the next one starts.
struct Width {
  const char* Source;
  int Bits;
};

const Width kWidths[] = {
    {"Pause 1", 5 + 1 + 2 + 1},       {"Pause 2", 5 + 1 + 2 + 4},        {"Pause 16", 5 + 1 + 2 + 8},
    {"Pause 256", 5 + 1 + 2 + 16},    {"Pause -1", 5 + 1 + 2 + 16},      {"Pause 1:16", 5 + 1 + 2 + 16},
    {"Pause 0:8", 5 + 1 + 2 + 8},     {"Pause B0", 5 + 1 + 6},           {"Gosub 20", 5 + 4 + 11},
    {"Debug [5]", 5 + 11},            {"Let B0=B0+1", 5 + 4 + 6 + 5},    {"Let B0=#1 B0+1", 5 + 7 + 6 + 5 + 4 + 5},
    {"If B0<5 Then 20", 5 + 7 + 6 + 5 + 11},
};

class WidthTest : public ::testing::TestWithParam<Width> {};

TEST_P(WidthTest, NextInstructionStartsAfterTheFields) {
  const AssembleResult r = Assemble(GetParam().Source);
  ASSERT_TRUE(r.Ok()) << FormatDiagnostic("line", r.Errors.front());
  Decoder decoder(r.Image);
  EXPECT_EQ(decoder.At(19).End, 19 + GetParam().Bits);
}

INSTANTIATE_TEST_SUITE_P(Asm, WidthTest, ::testing::ValuesIn(kWidths));

TEST(Syntax, RawVariableCodesAndUnusedFieldsReachTheBits) {
  // Var51 reads W0 like code 50 but is its own code; [N] fills the unused field.
  const AssembleResult r = Assemble("Random Var51\nGosub 20 [9]\n.byte 0, 1, 2\n.data 0, 200");
  ASSERT_TRUE(r.Ok());
  Decoder decoder(r.Image);
  const Decoded random = decoder.At(19);
  EXPECT_EQ(random.Text, "Random W0");
  EXPECT_EQ(random.Fields.at(1).Value, 51u);
  const Decoded gosub = decoder.At(random.End);
  EXPECT_EQ(gosub.Fields.at(1).Value, 9u);
  EXPECT_EQ(r.Image[0], 1);
  EXPECT_EQ(r.Image[1], 2);
  EXPECT_EQ(r.Image[255], 200);
}

// For v = start To limit [Step n] ... Next v runs the body as the machine's Next decides.
struct Loop {
  const char* For;
  int Runs;
  int Final;
};

const Loop kLoops[] = {
    {"For B0 = 1 To 3", 3, 4},
    {"For B0 = 3 To 1", 3, 0},
    {"For B0 = 0 To 10 Step 2", 6, 12},
    {"For B0 = 10 To 0 Step -2", 6, 65534 & 255},
    {"for b0=5 to 5", 1, 6},
};

class LoopTest : public ::testing::TestWithParam<Loop> {};

TEST_P(LoopTest, RunsTheBodyAsOften) {
  const std::string source = std::string(GetParam().For) + "\n  Toggle 0\nNext B0\nEnd\n";
  const AssembleResult r = Assemble(source);
  ASSERT_TRUE(r.Ok()) << FormatDiagnostic("loop", r.Errors.front());
  test::Rig rig;
  rig.Load(r.Image);
  int toggles = 0;
  for (int step = 0; step < 500 && rig.Preview() != "End"; ++step) {
    if (rig.Exec() == "Toggle 0") ++toggles;
  }
  EXPECT_EQ(toggles, GetParam().Runs);
  EXPECT_EQ(rig.Word(0) & 255, GetParam().Final);
}

INSTANTIATE_TEST_SUITE_P(Asm, LoopTest, ::testing::ValuesIn(kLoops));

TEST(Syntax, NestedLoopsCloseInnermostFirst) {
  const AssembleResult r = Assemble(
      "For B0 = 1 To 3\n For B1 = 1 To 2\n  Let W2=W2+1\n Next B1\nNext B0\nEnd\n");
  ASSERT_TRUE(r.Ok());
  test::Rig rig;
  rig.Load(r.Image);
  for (int step = 0; step < 500 && rig.Preview() != "End"; ++step) rig.Exec();
  EXPECT_EQ(rig.Word(2), 6);
}

}  // namespace
}  // namespace qx9::asmx
