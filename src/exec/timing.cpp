// Timing, pulse and analog instructions. Waits count only in a free run (the timer ticks them off);
// the analog world is the panel's value boxes and prompts; Sound goes to the host's tone call.
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "core/machine.h"

namespace qx9 {

namespace {
// Waits beyond the signed 32-bit range saturate instead of overflowing; a negative one means no wait.
int32_t SaturatedWait(double ms) {
  if (!(ms < 2147483647.0)) return std::numeric_limits<int32_t>::max();
  if (ms <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::nearbyint(ms));  // ties to even, the default rounding mode
}

// The voltage of a PWM duty (0..255 means 0..5 V), in single precision and written as "0.00".
std::string PwmVoltage(int16_t duty) {
  const float volts = static_cast<float>(duty) * 5.0f / 255.0f;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(volts));
  return buffer;
}
}  // namespace

std::string PwmText(int16_t pin, int16_t duty) { return "Pin" + std::to_string(pin) + "=" + PwmVoltage(duty); }

// The tone of a note: 1/((127 - b) x 83 us + 95 us) in double, rounded to single, then down to whole Hz.
// Note 0 is a rest; notes from 128 up (and far negative ones) fall outside the hearable band.
int NoteFrequency(int16_t note) {
  if (note == 0) return 0;
  const double exact = 1.0 / ((127 - note) * 0.000083 + 0.000095);
  const double hz = std::floor(static_cast<double>(static_cast<float>(exact)));
  if (hz < -1e9 || hz > 1e9) return 0;
  return static_cast<int>(hz);
}

// PWM: pin, duty, third operand. The pin is an output while it pulses and an input afterwards; the
// voltage shows in LastPWM, also in a preview.
void Machine::DoPWM() {
  const int16_t p = ReadOperand();
  SetVal(kPortWord, 1, 1, DirectionBit(p));
  if (texts_) StartText(Opcode::PWM) += OperandText + ",";
  const int16_t duty = ReadOperand();
  if (texts_) InstrText += OperandText + ",";
  const int16_t cycles = ReadOperand();
  if (texts_) InstrText += OperandText;
  if (!ListOnly && !listeners_.empty()) {
    Notify([&](MachineListener& l) { l.OnPWM(*this, p, duty, cycles); });
  }
  LastPWM = PwmText(p, duty);
  host_->SetLastPWM(LastPWM);
  SetVal(kPortWord, 0, 1, DirectionBit(p));
}

// Pot: pin, second operand, target variable. The value comes from the Pot box, or a prompt.
void Machine::DoPot() {
  const int16_t p = ReadOperand();
  if (texts_) StartText(Opcode::Pot) += OperandText + ",";
  ReadOperand();
  if (texts_) InstrText += OperandText + ",";
  const VarRef target = VarName();
  if (texts_) InstrText += OperandText;
  if (ListOnly) return;
  StoreTypedValue(target, MachineListener::Input::PotBox, host_->PotText(), "Pot value for pin " + std::to_string(p));
}

// Pulsout: pin, second operand. The pin becomes an output and flashes on the panel: inverted for one
// redraw, then back to its level.
void Machine::DoPulsout() {
  const int16_t p = ReadOperand();
  SetVal(kPortWord, 1, 1, DirectionBit(p));
  if (texts_) StartText(Opcode::Pulsout) += OperandText + ",";
  ReadOperand();
  if (texts_) InstrText += OperandText;
  if (ListOnly) return;
  const int16_t level = ReadField(kPortWord, 1, p);
  SetVal(kPortWord, static_cast<int16_t>(1 - level), 1, p);
  RefreshPanel();
  SetVal(kPortWord, level, 1, p);
}

// PulsIn: pin, second operand, target variable. The pin becomes an input; the pulse length (in units of
// 10 us) comes from the Pulse In box, or a prompt.
void Machine::DoPulsIn() {
  const int16_t p = ReadOperand();
  SetVal(kPortWord, 0, 1, DirectionBit(p));
  if (texts_) StartText(Opcode::PulsIn) += OperandText + ",";
  ReadOperand();
  if (texts_) InstrText += OperandText + ",";
  const VarRef target = VarName();
  if (texts_) InstrText += OperandText;
  if (ListOnly) return;
  StoreTypedValue(target, MachineListener::Input::PulsInBox, host_->PulsInText(),
                  "Enter 10uS pulse length for pin " + std::to_string(p));
}

// A box with text is used as it is; an empty one asks. Cancel or an empty answer stores nothing; text
// that is not a whole 16-bit number is refused with a message, and the program goes on either way.
void Machine::StoreTypedValue(const VarRef& target, MachineListener::Input box, const std::string& boxText,
                              const std::string& prompt) {
  const Opcode reader = box == MachineListener::Input::PotBox ? Opcode::Pot : Opcode::PulsIn;
  // Held as the listeners take it, so telling them copies nothing.
  std::optional<std::string> text = boxText;
  if (IsBlank(*text)) {
    text = host_->Prompt(prompt);
    if (!listeners_.empty()) {
      Notify([&](MachineListener& l) { l.OnInput(*this, reader, MachineListener::Input::PromptAnswer, text); });
    }
    if (!text || IsBlank(*text)) return;
  } else if (!listeners_.empty()) {
    Notify([&](MachineListener& l) { l.OnInput(*this, reader, box, text); });
  }
  const std::optional<int16_t> value = ParseWholeNumber(*text);
  if (!value) {
    Message("Enter a whole number from -32768 to 32767");
    return;
  }
  SetVal(target.Index, *value, target.Mask, target.Shift);
}

// Pause: milliseconds.
void Machine::DoPause() {
  const int16_t ms = ReadOperand();
  if (!ListOnly && host_->TimerEnabled()) WaitMs = ms;
  if (texts_) StartText(Opcode::Pause) += OperandText;
}

// Nap: an unused 11-bit field, then the period n; the wait is 18 ms x 2^n.
void Machine::DoNap() {
  ReadBits(11);
  const int16_t n = ReadOperand();
  if (texts_) StartText(Opcode::Nap) += OperandText;
  if (ListOnly) return;
  if (host_->TimerEnabled()) WaitMs = SaturatedWait(std::ldexp(18.0, n));
}

// Sleep: an unused 11-bit field, then seconds; the wait is the largest multiple of 2.3 ms not above them.
void Machine::DoSleep() {
  ReadBits(11);
  const int32_t seconds = ReadOperand();
  if (texts_) StartText(Opcode::Sleep) += OperandText;
  if (ListOnly) return;
  if (host_->TimerEnabled()) {
    const int32_t total = seconds * 1000;
    WaitMs = SaturatedWait(std::floor(total / 2.3) * 2.3);
  }
}

// Sound: pin, then groups of (duration code, note, continuation bit). The pin becomes an output; each
// group plays for (code AND 255) x 12 ms. The text shows the note before the code.
void Machine::DoSound() {
  const int16_t p = ReadOperand();
  SetVal(kPortWord, 1, 1, DirectionBit(p));
  if (texts_) StartText(Opcode::Sound) += OperandText + ",(";
  do {
    const int16_t code = ReadOperand();
    const std::string codeText = texts_ ? OperandText : std::string();
    const int durationMs = (code & 255) * 12;
    const int16_t note = ReadOperand();
    if (texts_) InstrText += OperandText + "," + codeText + ",";
    if (!ListOnly) {
      const int hz = NoteFrequency(note);
      // Frequencies a speaker cannot make are kept as silence of the same length.
      if (hz >= 37 && hz <= 32767) {
        if (!listeners_.empty()) Notify([&](MachineListener& l) { l.OnTone(*this, hz, durationMs); });
        host_->Tone(hz, durationMs);
      } else {
        if (!listeners_.empty()) Notify([&](MachineListener& l) { l.OnRest(*this, durationMs); });
        host_->Rest(durationMs);
      }
      SimTimeUs += int64_t{durationMs} * 1000;
    }
  } while (ReadBit() == 1);
  if (texts_) InstrText += ")";
}

}  // namespace qx9
