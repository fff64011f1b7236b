// Decoding without executing: the preview's text, the runner's peek and the listing all come from here.
#include "core/machine.h"
#include "core/null_host.h"

namespace qx9 {

namespace {
// Passes reads through and withholds every effect, for a decode that must leave no trace.
class QuietHost final : public NullHost {
 public:
  explicit QuietHost(const Host& real) : real_(real) {}
  bool TimerEnabled() const override { return real_.TimerEnabled(); }
  std::string WordBoxText(int index) const override { return real_.WordBoxText(index); }
  Boxes WordBoxes() const override { return real_.WordBoxes(); }
  std::string PotText() const override { return real_.PotText(); }
  std::string PulsInText() const override { return real_.PulsInText(); }

 private:
  const Host& real_;
};

class FieldLog final : public TokenObserver {
 public:
  void OnField(int address, int width, int value) override {
    Fields.push_back(DecodedField{address, width, static_cast<uint32_t>(value)});
  }
  std::vector<DecodedField> Fields;
};

// Extent, opcode and jump targets of a decode from the fields it read.
void Describe(Decoded& d) {
  d.End = d.Start;
  for (const DecodedField& f : d.Fields) {
    d.End = f.Address + f.Width;
    if (f.Address + f.Width > kEndAddress) d.OffEnd = true;
  }
  d.Opcode = d.Fields.empty() ? kEndOpcode : static_cast<int>(d.Fields.front().Value);
  const InstructionForm& form = FormOf(d.Opcode);
  d.FallsThrough = form.FallsThrough && form.Emulated;
  if (!HasTargets(form)) return;
  // In these instructions the only 11-bit fields are jump targets.
  for (size_t i = 1; i < d.Fields.size(); ++i) {
    if (d.Fields[i].Width == kTargetWidth) d.Targets.push_back(static_cast<int>(d.Fields[i].Value));
  }
}
}  // namespace

Decoded Machine::Decode(int address, DecodeEffects effects, bool withFields) {
  Host* const real = host_;
  QuietHost quiet(*real);
  std::vector<MachineListener*> listeners;
  const std::string savedLastPWM = effects == DecodeEffects::Quiet ? LastPWM : std::string();
  if (effects == DecodeEffects::Quiet) {
    host_ = &quiet;
    listeners.swap(listeners_);  // a quiet decode is no event
  }
  const int16_t savedByte = TokByte;
  const int16_t savedBit = TokBit;
  const bool savedListOnly = ListOnly;
  const bool savedTexts = texts_;
  ListOnly = true;
  JumpTo(address);
  Decoded d;
  d.Start = address;
  d.Opcode = NextOpcode();
  FieldLog log;
  TokenObserver* const outer = observer_;
  if (withFields) {
    observer_ = &log;
  } else if (effects == DecodeEffects::Quiet) {
    observer_ = nullptr;
  }
  DecodeHere();
  d.Text = InstrText;
  ListOnly = savedListOnly;
  texts_ = savedTexts;
  TokByte = savedByte;
  TokBit = savedBit;
  observer_ = outer;
  host_ = real;
  if (effects == DecodeEffects::Quiet) {
    listeners_.swap(listeners);
    LastPWM = savedLastPWM;  // shown by nobody
  }
  if (withFields) {
    d.Fields = std::move(log.Fields);
    Describe(d);
  }
  return d;
}

// Decoded again, quietly, at the address it was executed from: the image there is as it was (Write
// builds its own text at once), the text does not depend on the words except for If's jump mark, which
// is kept from the execution.
void Machine::BuildPendingText() {
  if (TextPendingAt < 0) return;
  forcedJump_ = TextPendingJumped ? 1 : 0;
  Decode(TextPendingAt, DecodeEffects::Quiet);
  forcedJump_ = -1;
}

const std::string& Machine::InstructionText() {
  BuildPendingText();
  return InstrText;
}

void Machine::PreviewNext() {
  const int16_t savedByte = TokByte;
  const int16_t savedBit = TokBit;
  ListOnly = true;
  ExecuteNext();
  ListOnly = false;
  TokByte = savedByte;
  TokBit = savedBit;
  host_->ShowState(InstrText);
}

Machine::Peek Machine::PeekNext() {
  const MachineState saved = *this;
  Host* const real = host_;
  QuietHost quiet(*real);
  host_ = &quiet;
  std::vector<MachineListener*> listeners;
  listeners.swap(listeners_);  // a peek is no event
  ReadWordBoxes();
  if (RestartPending) {
    RestartPending = false;
    ResetMachine();
  }
  Peek peek;
  peek.Address = LinearAddress();
  Decoded d = Decode(peek.Address, DecodeEffects::Quiet);
  peek.Opcode = d.Opcode;
  peek.Text = std::move(d.Text);
  host_ = real;
  listeners_.swap(listeners);
  static_cast<MachineState&>(*this) = saved;
  return peek;
}

}  // namespace qx9
