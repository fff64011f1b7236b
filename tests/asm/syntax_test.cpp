// Panel texts type back, and hidden forms encode, as the core's decoder and the program builder say.
#include <gtest/gtest.h>

#include <vector>

#include "asm/assembler.h"
#include "support/rig.h"

namespace qx9::asmx {
namespace {

using test::C;
using test::ProgramBuilder;
using test::V;

std::array<uint8_t, 256> Image(const std::string& source) {
  const AssembleResult r = Assemble(source);
  EXPECT_TRUE(r.Ok()) << source << "\n" << (r.Ok() ? "" : FormatDiagnostic("src", r.Errors.front()));
  return r.Image;
}

std::string PanelText(const std::array<uint8_t, 256>& image) {
  test::Rig rig;
  rig.Load(image);
  return rig.Preview();
}

struct TypedBack {
  const char* Source;
  const char* PanelText;
};

const TypedBack kTypedBack[] = {
    {"  high   3  ; a comment", "High 3"},
    {"Pause 40000", "Pause -25536"},
    {"Sound 1,(100,50,0,10)", "Sound 1,(100,50,0,10,)"},
    {"Button Unimplemented!", "Button Unimplemented!"},
    {"Let W0=W0**-1|/Bit15^/Port//3MAXDirs", "Let W0=W0**-1|/Bit15^/Port//3MAXDirs"},
    {"if b0 < 5 and b1 = 3 then 1a (->)", "If B0<5ANDB1=3 Then 1A"},
    {"If Pin3=1ORW6<>-2 Then 7F0", "If Pin3=1ORW6<>-2 Then 7F0 (->)"},
    {"Next B0 Step 1 Up 10,0 Then 13", "Next B0"},
};

TEST(Syntax, PanelTextsTypeBack) {
  for (const TypedBack& c : kTypedBack) EXPECT_EQ(PanelText(Image(c.Source)), c.PanelText) << c.Source;
}

// Every name the panel shows assembles back to its code: a slip in a table shared with the listing cannot hide.
TEST(Syntax, EveryNameThePanelShowsTypesBackToItsCode) {
  std::vector<ProgramBuilder> programs;
  for (int code = 0; code < 63; ++code) {
    if (code < 49 || code % 2 == 0) programs.emplace_back().Random(test::VCode(code));  // not Var49, odd Ws
  }
  for (int op = 2; op < 16; ++op) programs.emplace_back().Let(V("W0"), {{1, V("W1")}, {op, C(3)}});
  for (int compare = 1; compare <= 6; ++compare) {
    programs.emplace_back().If({{V("B0"), compare, C(5), false}, {V("B1"), compare, V("W2"), false}}, 0x20);
    programs.emplace_back().If({{V("B0"), compare, C(5), false}, {V("B1"), compare, V("W2"), true}}, 0x20);
  }
  for (const ProgramBuilder& p : programs) {
    const std::string text = PanelText(p.Build());
    EXPECT_EQ(Image(text), p.Build()) << text;
  }
}

// Forms the panel does not show, and the smallest width a constant gets, against the builder's encoding.
struct Encoded {
  const char* Source;
  void (*Build)(ProgramBuilder&);
};

const Encoded kEncoded[] = {
    {"Pause 1\nPause 15\nPause 16\nPause 255\nPause 256\nPause -1",
     [](ProgramBuilder& b) { b.Pause(C(1)).Pause(C(15)).Pause(C(16)).Pause(C(255)).Pause(C(256)).Pause(C(-1)); }},
    {"Pause 1:16\nPause 0:8\nPause 3:4", [](ProgramBuilder& b) { b.Pause(C(1, 3)).Pause(C(0, 2)).Pause(C(3, 1)); }},
    {"Random Var51\nRandom var63", [](ProgramBuilder& b) { b.Random(test::VCode(51)).Random(test::VCode(63)); }},
    {"Gosub 20 [9]\nRead 3,B2 [2047]", [](ProgramBuilder& b) { b.Gosub(0x20, 9).Read(C(3), V("B2"), 2047); }},
    {"Next W1 Step 2 Down 10,300 Then 7F0",
     [](ProgramBuilder& b) { b.Next(C(2), V("W1"), false, C(10), C(300), 0x7F0); }},
    {"Let W0=#0 5+1\nLet B1=#15 W0",
     [](ProgramBuilder& b) {
       b.Let(V("W0"), {{0, C(5)}, {3, C(1)}}).Let(V("B1"), {{15, V("W0")}});
     }},
    {"If OR B0 #7 1 AND B1 #0 2 Then 1A",
     [](ProgramBuilder& b) {
       b.If({{V("B0"), 7, C(1), false}, {V("B1"), 0, C(2), true}}, 0x1A);
     }},
    {"High 1 ' an apostrophe starts a comment\n' a whole line of comment\nPause 2'glued to the operand",
     [](ProgramBuilder& b) { b.High(C(1)).Pause(C(2)); }},
    {".byte 0, 1, 2\n.data 0, 200\n.data 3, 7, 8",
     [](ProgramBuilder& b) { b.Byte(0, 1).Byte(1, 2).Data(0, 200).Data(3, 7).Data(4, 8); }},
};

TEST(Syntax, HiddenFieldsAndWidthsEncodeAsTheBuilderDoes) {
  for (const Encoded& c : kEncoded) {
    ProgramBuilder b;
    c.Build(b);
    EXPECT_EQ(Image(c.Source), b.Build()) << c.Source;
  }
}

struct Loop {
  const char* Source;
  int Runs;
  int FinalB0;
};

const Loop kLoops[] = {
    {"For B0 = 3 To 1\n Toggle 0\nNext B0", 3, 0},
    {"For B0 = 10 To 0 Step -2\n Toggle 0\nNext B0", 6, 65534 & 255},
    {"For B0 = 1 To 3\n For B1 = 1 To 2\n  Toggle 0\n Next B1\nNext B0", 6, 4},  // innermost closes first
};

TEST(Syntax, ForToLoopsRunTheBodyAsOften) {
  for (const Loop& c : kLoops) {
    test::Rig rig;
    rig.Load(Image(std::string(c.Source) + "\nEnd\n"));
    int toggles = 0;
    for (int step = 0; step < 500 && rig.Preview() != "End"; ++step) toggles += rig.Exec() == "Toggle 0";
    EXPECT_EQ(toggles, c.Runs) << c.Source;
    EXPECT_EQ(rig.Word(0) & 255, c.FinalB0) << c.Source;
  }
}

}  // namespace
}  // namespace qx9::asmx
