#include "bench_programs.h"

#include "support/program_builder.h"

namespace qx9::bench {

using test::C;
using test::Condition;
using test::LetStep;
using test::ProgramBuilder;
using test::V;

std::array<uint8_t, 256> ArithmeticLoop() {
  ProgramBuilder p;
  p.Label("loop")
      .Let(V("W1"), {{3, C(3)}})            // Let W1=W1+3
      .If({{V("W1"), 1, C(1000)}}, "skip")  // If W1<1000 Then skip
      .Let(V("W1"), {{1, C(0)}})            // Let W1=0
      .Label("skip")
      .Let(V("B4"), {{3, V("B2")}, {13, C(90)}})  // Let B4=B4+B2^90
      .Goto("loop");
  return p.Build();
}

std::array<uint8_t, 256> EveryFamilyLoop() {
  ProgramBuilder p;
  p.Label("top")
      .High(C(1))
      .Low(C(2))
      .Toggle(C(1))
      .Output(C(3))
      .Input(C(3))
      .Reverse(C(4))
      .Pwm(C(5), C(128), C(10))
      .Pulsout(C(6), C(100))
      .Pot(C(0), C(1), V("B0"))
      .PulsIn(C(7), C(1), V("B1"))
      .For(C(1), V("B2"))
      .Label("inner")
      .Let(V("W2"), {{3, V("B2")}, {4, C(3)}, {7, C(2)}})
      .Next(C(1), V("B2"), true, C(3), C(0), "inner")
      .Write(C(5), V("B0"))
      .Read(C(5), V("B3"))
      .Random(V("W3"))
      .Lookup(V("B2"), V("B6"), {C(10), C(20), C(30), C(40)})
      .Lookdown(C(30), V("B7"), {C(10), C(20), C(30)})
      .Branch(C(9), {"top", "inner"})
      .Gosub("sub")
      .Pause(C(10))
      .Nap(C(2))
      .Sleep(C(1))
      .Sound(C(3), {{C(2), C(100)}, {C(1), C(0)}})
      .Debug()
      .If({{V("B0"), 4, C(42)}, {V("B1"), 2, C(0), true}}, "top")
      .Goto("top")
      .Label("sub")
      .Let(V("W4"), {{3, C(1)}})
      .Return();
  return p.Build();
}

}  // namespace qx9::bench
