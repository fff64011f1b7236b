// Writes the bundled example programs and their README.
//
//   qx9make_examples OUTDIR
//
// Each example is built with the test program builder and written as OUTDIR/NAME.OBJ (256 bytes); the
// README, with a description and a listing per example, is written as OUTDIR/README.md. The listing is
// decoded back from the finished image by the machine core itself, so it shows exactly the text the
// panel shows for each instruction. The files in examples/ are checked in; a test reruns this program
// and compares them byte for byte.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/machine.h"
#include "support/fake_host.h"
#include "support/program_builder.h"

namespace {

using qx9::test::C;
using qx9::test::Condition;
using qx9::test::LetStep;
using qx9::test::ProgramBuilder;
using qx9::test::V;

// Let operator codes used below.
constexpr int kSet = 1;
constexpr int kAdd = 3;
constexpr int kMul = 4;
constexpr int kDiv = 7;
constexpr int kAnd = 9;
constexpr int kOr = 11;
constexpr int kXor = 13;
// If comparison code.
constexpr int kNotEqual = 3;

// A program under construction, with a comment for the listing at the address of each instruction.
struct Program {
  ProgramBuilder b;
  std::map<int, std::string> notes;   // linear address -> comment
  std::map<int, std::string> labels;  // linear address -> label name

  ProgramBuilder& Note(const std::string& text) {
    notes[b.Here()] = text;
    return b;
  }
  void Label(const std::string& name) {
    labels[b.Here()] = name;
    b.Label(name);
  }
};

struct Example {
  std::string Name;   // file name without .OBJ
  std::string Title;
  std::string About;  // Markdown paragraphs
  std::function<void(Program&)> Write;
};

// --- the examples -------------------------------------------------------------------------------

void Blink(Program& p) {
  p.Note("all eight pins are outputs, so the LEDs show their levels").Let(V("Dirs"), {{kSet, C(255)}});
  p.Note("every other LED lit: 01010101").Let(V("Pins"), {{kSet, C(0x55)}});
  p.Label("loop");
  p.Note("half a second while running; skipped when stepping").Pause(C(500));
  p.Note("swap: the lit LEDs go dark, the dark ones light").Let(V("Pins"), {{kXor, C(255)}});
  p.Note("and again").Goto("loop");
}

void Switches(Program& p) {
  p.Note("pins 4..7 outputs (LEDs), pins 0..3 inputs (switches)").Let(V("Dirs"), {{kSet, C(0xF0)}});
  p.Label("loop");
  p.Note("the switch levels, moved to the upper four bits of B0")
      .Let(V("B0"), {{kSet, V("Pins")}, {kMul, C(16)}});
  p.Note("keep the inputs, copy them onto LEDs 4..7")
      .Let(V("Pins"), {{kAnd, C(15)}, {kOr, V("B0")}});
  p.Note("forever").Goto("loop");
}

void Subroutine(Program& p) {
  p.Note("all pins outputs").Let(V("Dirs"), {{kSet, C(255)}});
  p.Label("main");
  p.Note("Step (F8) goes into the sweep; Step Over (F10) runs it whole").Gosub("sweep");
  p.Note("count the sweeps").Let(V("B0"), {{kAdd, C(1)}});
  p.Note("and show the count in binary").Let(V("Pins"), {{kSet, V("B0")}});
  p.Note("one second while running").Pause(C(1000));
  p.b.Goto("main");
  p.Label("sweep");
  p.Note("start with LED 0").Let(V("B1"), {{kSet, C(1)}});
  p.Label("light");
  p.Note("light one LED").Let(V("Pins"), {{kSet, V("B1")}});
  p.b.Pause(C(150));
  p.Note("the next one to the left; after LED 7 the byte runs over to 0").Let(V("B1"), {{kMul, C(2)}});
  p.Note("until all eight have had their turn").If({Condition{V("B1"), kNotEqual, C(0), false}}, "light");
  p.Note("back to the caller: a Step Over stops here").Return();
}

void PotPwm(Program& p) {
  p.Note("pins 2..7 outputs for the bar; pin 0 is the pot, pin 1 the PWM output")
      .Let(V("Dirs"), {{kSet, C(0xFC)}});
  p.Label("loop");
  p.Note("B0 = the Pot Input box (a prompt when it is empty)").Pot(C(0), C(100), V("B0"));
  p.Note("LastPWM shows B0 as a voltage, 0..255 as 0.00..5.00").Pwm(C(1), V("B0"), C(10));
  p.Note("0..6 LEDs for the bar").Let(V("B1"), {{kSet, V("B0")}, {kDiv, C(37)}});
  p.Note("the bar grows from LED 7 to the right")
      .Lookup(V("B1"), V("Pins"), {C(0), C(0x80), C(0xC0), C(0xE0), C(0xF0), C(0xF8), C(0xFC)});
  p.b.Pause(C(200));
  p.b.Goto("loop");
}

void Counter(Program& p) {
  p.Note("all pins outputs").Let(V("Dirs"), {{kSet, C(255)}});
  p.Label("up");
  p.Note("count up from 0").For(C(0), V("B0"));
  p.Label("upbody");
  p.Note("show B0 in binary").Let(V("Pins"), {{kSet, V("B0")}});
  p.b.Pause(C(100));
  p.Note("step 1 up to 255").Next(C(1), V("B0"), true, C(255), C(255), "upbody");
  p.Note("and back down from 254").For(C(254), V("B0"));
  p.Label("downbody");
  p.b.Let(V("Pins"), {{kSet, V("B0")}});
  p.b.Pause(C(100));
  p.Note("step 1 down to 1").Next(C(1), V("B0"), false, C(1), C(1), "downbody");
  p.b.Goto("up");
}

// Notes of the QX9's Sound scale closest to a C major chord, with the frequencies they give.
constexpr int kC4 = 82;   // 261 Hz
constexpr int kE4 = 92;   // 333 Hz
constexpr int kG4 = 97;   // 386 Hz
constexpr int kC5 = 105;  // 520 Hz
constexpr int kRest = 0;

void Tune(Program& p) {
  p.Note("all pins outputs; pin 0 drives the speaker").Let(V("Dirs"), {{kSet, C(255)}});
  p.Label("loop");
  p.Note("a bar that grows with the tune").Let(V("Pins"), {{kSet, C(0x02)}});
  p.Note("C, 144 ms (note first, then duration code x 12 ms)").Sound(C(0), {{C(12), C(kC4)}});
  p.b.Let(V("Pins"), {{kSet, C(0x06)}});
  p.Note("E").Sound(C(0), {{C(12), C(kE4)}});
  p.b.Let(V("Pins"), {{kSet, C(0x0E)}});
  p.Note("G").Sound(C(0), {{C(12), C(kG4)}});
  p.b.Let(V("Pins"), {{kSet, C(0x1E)}});
  p.Note("high C, held").Sound(C(0), {{C(30), C(kC5)}});
  p.b.Let(V("Pins"), {{kSet, C(0)}});
  p.Note("a rest, then G and a long high C in one Sound")
      .Sound(C(0), {{C(10), C(kRest)}, {C(12), C(kG4)}, {C(45), C(kC5)}});
  p.b.Let(V("Pins"), {{kSet, C(0xFE)}});
  p.Note("two seconds' quiet while running").Pause(C(2000));
  p.b.Goto("loop");
}

const std::vector<Example>& Examples() {
  static const std::vector<Example> all = {
      {"BLINK", "LEDs blinking with Pause",
       "Half the LEDs are lit, in a 01010101 pattern, and every half second the pattern swaps. Press "
       "Run (F5) to see it blink: `Pause 500` holds the free run for 500 ms. Step (F8) through it and "
       "the pauses are skipped, so each step swaps the LEDs at once.",
       Blink},
      {"SWITCHES", "Switches copied to LEDs",
       "Pins 0..3 are inputs, set by the four switches on the right; pins 4..7 are outputs. Press Run "
       "(F5) and click the switches under LEDs 0..3: each one lights its own LED (the level of an input "
       "pin) and, four places to the left, its copy made by the program. The switches under LEDs 4..7 "
       "are disabled, since those pins are outputs.",
       Switches},
      {"SUBROUT", "A subroutine to try Step Over on",
       "The main loop calls a subroutine that sweeps one lit LED from right to left, then counts the "
       "sweeps in B0 and shows the count on the LEDs. Step (F8) until the panel shows `Gosub` as the next "
       "instruction, then press Step Over (F10): the whole sweep runs at full speed, Pauses included, and "
       "stepping resumes after the call. Press Step (F8) on the `Gosub` instead to follow the sweep "
       "instruction by instruction.",
       Subroutine},
      {"POTPWM", "Pot driving PWM",
       "Type a number from 0 to 255 into the Pot Input box, then press Run (F5). The program reads it "
       "with `Pot`, writes it out with `PWM` (the LastPWM box shows the voltage, 255 being 5.00 V) and "
       "draws it as a bar on LEDs 7 to 2. Change the number while it runs and watch the box and the bar "
       "follow. With the box empty, every `Pot` asks for the value in a prompt.",
       PotPwm},
      {"COUNTER", "A counter with For/Next",
       "Counts from 0 up to 255 in binary on the LEDs with one `For`/`Next` loop, then back down to 1 "
       "with a second one counting down, and over again; B0 in the W0 row holds the count. Run (F5) "
       "gives ten counts a second; type a value into the W0 box while stepping to jump ahead.",
       Counter},
      {"TUNE", "A tune with Sound",
       "Plays a short rising C major jingle on pin 0, one note per `Sound`, and lights a growing bar of "
       "LEDs with it; the last `Sound` holds a rest and two notes. The notes play in stepping and in "
       "running alike; while running, a two-second `Pause` follows each round.",
       Tune},
  };
  return all;
}

// --- output -------------------------------------------------------------------------------------

// The text of every instruction of the image, decoded in order from the first one, by the core.
std::string Listing(const Program& p, const std::array<uint8_t, 256>& image) {
  qx9::test::FakeHost host;
  qx9::Machine m(host);
  m.LoadImage(image);
  m.ResetMachine();
  const int end = p.b.Here();
  std::ostringstream out;
  while (m.LinearAddress() < end) {
    const int address = m.LinearAddress();
    m.ListOnly = true;  // decode only: no jump, no store, no wait
    m.ExecuteNext();
    m.ListOnly = false;
    std::string text = m.InstrText;
    // A preview marks an If whose jump would be taken now; a listing shows the instruction alone.
    const std::string taken = " (->)";
    if (text.size() > taken.size() && text.compare(text.size() - taken.size(), taken.size(), taken) == 0) {
      text.resize(text.size() - taken.size());
    }
    if (auto label = p.labels.find(address); label != p.labels.end()) out << label->second << ":\n";
    char head[16];
    std::snprintf(head, sizeof head, "%5X  ", static_cast<unsigned>(address));
    std::string line = head + text;
    if (auto note = p.notes.find(address); note != p.notes.end()) {
      if (line.size() < 40) line.resize(40, ' ');
      else line += "  ";
      line += "' " + note->second;
    }
    out << line << "\n";
  }
  return out.str();
}

const char* const kIntro =
    "# Examples\n"
    "\n"
    "Small QX9 programs that show the panel off. Open one with\n"
    "\n"
    "    build/src/app/qx9emu examples/BLINK.OBJ\n"
    "\n"
    "(or, once installed, from `share/qx9emu/examples/`), or pick it in the file dialog.\n"
    "\n"
    "This file and the `.OBJ` files are written by `examples/make_examples.cpp` with the test program\n"
    "builder: edit that program, then rerun it and check in what it writes:\n"
    "\n"
    "    cmake --build build --target qx9make_examples\n"
    "    build/tests/examples/qx9make_examples examples/\n"
    "\n"
    "Each listing gives the linear token address of every instruction in hexadecimal (jump targets in\n"
    "the text use the same numbers), then the text the panel shows for it, decoded from the object file\n"
    "by the emulator's own core; the comments after `'` are not part of the program.\n";

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qx9make_examples OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    std::string readme = kIntro;
    for (const Example& e : Examples()) {
      Program p;
      e.Write(p);
      const std::array<uint8_t, 256> image = p.b.Build();
      p.b.WriteFile(dir + "/" + e.Name + ".OBJ");
      readme += "\n## " + e.Name + ".OBJ — " + e.Title + "\n\n" + e.About + "\n\n```\n" +
                Listing(p, image) + "```\n";
    }
    if (!WriteText(dir + "/README.md", readme)) {
      std::fprintf(stderr, "qx9make_examples: cannot write %s/README.md\n", dir.c_str());
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "qx9make_examples: %s\n", error.what());
    return 1;
  }
  return 0;
}
