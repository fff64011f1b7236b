// The instruction cycle: one call decodes the instruction at the token position and runs it, or, in
// decode-only mode (ListOnly), only builds its text for the preview.
#include "core/machine.h"

namespace qx9 {

// Opcode table: the 5-bit opcode, read most significant bit first, indexes it. All 32 codes are
// instructions; Button, Serout and Serin are decoded but not emulated.
const std::array<Machine::Opcode, 32> Machine::kOpcodes = {{
    /* 00000  0 */ {"High", &Machine::DoHigh},
    /* 00001  1 */ {"Low", &Machine::DoLow},
    /* 00010  2 */ {"Input", &Machine::DoInput},
    /* 00011  3 */ {"Output", &Machine::DoOutput},
    /* 00100  4 */ {"Toggle", &Machine::DoToggle},
    /* 00101  5 */ {"Reverse", &Machine::DoReverse},
    /* 00110  6 */ {"PWM", &Machine::DoPWM},
    /* 00111  7 */ {"Pot", &Machine::DoPot},
    /* 01000  8 */ {"Pulsout", &Machine::DoPulsout},
    /* 01001  9 */ {"PulsIn", &Machine::DoPulsIn},
    /* 01010 10 */ {"For", &Machine::DoFor},
    /* 01011 11 */ {"Read", &Machine::DoRead},
    /* 01100 12 */ {"Write", &Machine::DoWrite},
    /* 01101 13 */ {"Lookdown", &Machine::DoLookdown},
    /* 01110 14 */ {"Gosub", &Machine::DoGosub},
    /* 01111 15 */ {"Pause", &Machine::DoPause},
    /* 10000 16 */ {"Random", &Machine::DoRandom},
    /* 10001 17 */ {"Button", &Machine::DoButton},
    /* 10010 18 */ {"Sound", &Machine::DoSound},
    /* 10011 19 */ {"Serout", &Machine::DoSerout},
    /* 10100 20 */ {"Serin", &Machine::DoSerin},
    /* 10101 21 */ {"Let", &Machine::DoLet},
    /* 10110 22 */ {"Lookup", &Machine::DoLookup},
    /* 10111 23 */ {"Next", &Machine::DoNext},
    /* 11000 24 */ {"If", &Machine::DoIf},
    /* 11001 25 */ {"Goto", &Machine::DoGoto},
    /* 11010 26 */ {"Branch", &Machine::DoBranch},
    /* 11011 27 */ {"Return", &Machine::DoReturn},
    /* 11100 28 */ {"Nap", &Machine::DoNap},
    /* 11101 29 */ {"Sleep", &Machine::DoSleep},
    /* 11110 30 */ {"Debug", &Machine::DoDebug},
    /* 11111 31 */ {"End", &Machine::DoEnd},
}};

void Machine::ExecuteNext() {
  Busy = true;
  ReadWordBoxes();  // a value typed into a word box takes effect now, in previews too
  if (RestartPending) {
    RestartPending = false;
    ResetMachine();
    if (!listeners_.empty()) Notify([this](MachineListener& l) { l.OnExternalChange(*this); });
    PreviewNext();
  } else {
    // A step over ends at the saved return position; 0 means none is under way.
    if (!ListOnly && StepOverTarget != 0 && TokByte * 8 + TokBit == StepOverTarget) {
      host_->SetTimerEnabled(false);
      StepOverTarget = 0;
    }
    OperandText.clear();
    const bool executes = !ListOnly;
    if (executes) {
      if (!listeners_.empty()) Notify([this](MachineListener& l) { l.BeforeInstruction(*this); });
      ++InstructionsExecuted;
    }
    // A program that runs off the end of its image meets an End there instead of reading nothing.
    const int opcode = AtEnd() ? kEndOpcode : ReadBits(5);
    (this->*kOpcodes[opcode].Run)();
    if (executes && !listeners_.empty()) Notify([this](MachineListener& l) { l.AfterInstruction(*this); });
  }
  // The nested preview of a restart clears ListOnly, so an outer preview redraws here as well.
  if (!ListOnly) RefreshPanel();
  Busy = false;
}

// End, the unimplemented instructions and the fatal stack errors all restart the program: the image,
// the port word and the switches stay, the next cycle resets once more and previews the first line.
void Machine::RestartSequence() {
  ++RestartsRun;
  Message("Program reached end -- Restarting");
  RestartPending = true;
  ResetMachine();
  StopRunIfRunning();
}

void Machine::Message(const std::string& text) {
  if (!listeners_.empty()) Notify([this, &text](MachineListener& l) { l.OnMessage(*this, text); });
  host_->MessageBox(text);
}

void Machine::AddListener(MachineListener& listener) { listeners_.push_back(&listener); }

void Machine::RemoveListener(MachineListener& listener) {
  std::erase(listeners_, &listener);
}

void Machine::StopRunIfRunning() {
  if (host_->TimerEnabled()) RunBtn_Click();
}

// End: 11111, no fields.
void Machine::DoEnd() {
  if (ListOnly) {
    InstrText = "End";
    return;
  }
  RestartSequence();
}

}  // namespace qx9
