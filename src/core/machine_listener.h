#pragma once
// Observers of a running machine: the history, the signal recorder, breakpoints and watchpoints listen
// here instead of each front end wrapping the run control. Any number may listen; with none attached an
// event costs one test of an empty list. Listeners observe only: they never change the machine from a
// callback (a breakpoint asks the run control to stop; it does not stop the run itself).

#include <optional>
#include <string>

#include "core/instruction_set.h"

namespace qx9 {

class Machine;

class MachineListener {
 public:
  virtual ~MachineListener() = default;

  // An instruction is about to execute: the word boxes are taken in and a step over's stop is checked,
  // its opcode is not yet read. Never called for previews or for the reset of a restart.
  virtual void BeforeInstruction(const Machine&) {}
  // Asked once, when the listener is added. A listener that needs only AfterInstruction (it can read
  // the start time from Machine::InstructionStartUs) says no, and is spared a call per instruction.
  virtual bool WatchesInstructionStart() const { return true; }
  // The instruction has executed (an End's restart included); the panel is not yet redrawn.
  virtual void AfterInstruction(const Machine&) {}

  // A tone or rest of Sound, reported at the simulated time it starts (its length is then added).
  virtual void OnTone(const Machine&, int /*frequencyHz*/, int /*durationMs*/) {}
  virtual void OnRest(const Machine&, int /*durationMs*/) {}
  // An executed PWM: the pin, its duty (0..255 gives 0..5 V) and its third operand, the cycles.
  virtual void OnPWM(const Machine&, int /*pin*/, int /*duty*/, int /*cycles*/) {}
  // Every message box the machine opens, previews included (machine.ListOnly tells them apart).
  virtual void OnMessage(const Machine&, const std::string& /*text*/) {}

  // A value an executing Pot or PulsIn (the reader) took from the outside world: the box's text, or the
  // prompt's answer (nullopt: cancelled). Replaying these gives the same run again.
  enum class Input { PotBox, PulsInBox, PromptAnswer };
  virtual void OnInput(const Machine&, Opcode /*reader*/, Input, const std::optional<std::string>& /*text*/) {}

  // The state changed between instructions, not by one: a switch click, a typed word taken in, a
  // countdown tick of a wait, the start of a program.
  virtual void OnExternalChange(const Machine&) {}

  // The break check stopped a run before the next instruction (the run is already stopped).
  virtual void OnBreak(const Machine&) {}
};

}  // namespace qx9
