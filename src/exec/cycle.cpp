// The instruction cycle: one call decodes the instruction at the token position and runs it, or, in
// decode-only mode (ListOnly), only builds its text for the preview.
#include "core/machine.h"

namespace qx9 {

// Handlers by opcode (the keywords and layouts are in the instruction set's description). All 32 codes
// are instructions; Button, Serout and Serin are decoded but not emulated.
const std::array<Machine::Handler, kOpcodeCount> Machine::kHandlers = {{
    /* 00000  0 */ &Machine::DoHigh,    &Machine::DoLow,      &Machine::DoInput,  &Machine::DoOutput,
    /* 00100  4 */ &Machine::DoToggle,  &Machine::DoReverse,  &Machine::DoPWM,    &Machine::DoPot,
    /* 01000  8 */ &Machine::DoPulsout, &Machine::DoPulsIn,   &Machine::DoFor,    &Machine::DoRead,
    /* 01100 12 */ &Machine::DoWrite,   &Machine::DoLookdown, &Machine::DoGosub,  &Machine::DoPause,
    /* 10000 16 */ &Machine::DoRandom,  &Machine::DoButton,   &Machine::DoSound,  &Machine::DoSerout,
    /* 10100 20 */ &Machine::DoSerin,   &Machine::DoLet,      &Machine::DoLookup, &Machine::DoNext,
    /* 11000 24 */ &Machine::DoIf,      &Machine::DoGoto,     &Machine::DoBranch, &Machine::DoReturn,
    /* 11100 28 */ &Machine::DoNap,     &Machine::DoSleep,    &Machine::DoDebug,  &Machine::DoEnd,
}};

void Machine::ExecuteNext() {
  Busy = true;
  // Asked once for the start of the cycle: the boxes are read and the text decided from one answer.
  const Host::Boxes boxes = host_->WordBoxes();
  ReadWordBoxes(boxes);  // a value typed into a word box takes effect now, in previews too
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
    if (ListOnly) {
      DecodeHere();
    } else {
      for (MachineListener* listener : startListeners_) listener->BeforeInstruction(*this);
      ++InstructionsExecuted;
      InstructionStartUs = SimTimeUs;
      WordsWritten = {};
      const int start = LinearAddress();
      // A program that runs off the end of its image meets an End there instead of reading nothing.
      const int opcode = AtEnd() ? kEndOpcode : ReadBits(kOpcodeWidth);
      // A host that shows the text after every cycle gets it built as the instruction runs (decoding it
      // again would cost more); Write may change the image under a text not yet built, its own
      // included, so its text is built now too.
      texts_ = opcode == static_cast<int>(Opcode::Write) || (boxes != Host::Boxes::NoPanel && host_->ShowsStateText());
      // End and the unemulated instructions leave the text as it was when they execute (only the operand
      // text is cleared); any other's is pending from now on, so a redraw in the middle of it (Pulsout)
      // shows it too.
      const bool setsText = opcode != kEndOpcode && FormOf(opcode).Emulated;
      if (texts_ || !setsText) {
        BuildPendingText();
        OperandText.clear();
      }
      TextPendingJumped = false;
      if (!texts_ && setsText) TextPendingAt = static_cast<int16_t>(start);
      (this->*kHandlers[opcode])();
      texts_ = true;
      if (!listeners_.empty()) Notify([this](MachineListener& l) { l.AfterInstruction(*this); });
    }
  }
  // The nested preview of a restart clears ListOnly, so an outer preview redraws here as well.
  if (!ListOnly) RefreshPanel();
  Busy = false;
}

void Machine::DecodeHere() {
  texts_ = true;
  TextPendingAt = -1;
  OperandText.clear();
  const int opcode = AtEnd() ? kEndOpcode : ReadBits(kOpcodeWidth);
  (this->*kHandlers[opcode])();
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

void Machine::AddListener(MachineListener& listener) {
  listeners_.push_back(&listener);
  if (listener.WatchesInstructionStart()) startListeners_.push_back(&listener);
}

void Machine::RemoveListener(MachineListener& listener) {
  std::erase(listeners_, &listener);
  std::erase(startListeners_, &listener);
}

void Machine::StopRunIfRunning() {
  if (host_->TimerEnabled()) RunBtn_Click();
}

// End: 11111, no fields.
void Machine::DoEnd() {
  if (ListOnly) {
    InstrText = Keyword(Opcode::End);
    return;
  }
  RestartSequence();
}

}  // namespace qx9
