#include "asm/decoder.h"

#include "core/machine.h"
#include "core/null_host.h"

namespace qx9::asmx {

namespace {

// The decode runs in ListOnly mode, where the core shows nothing but its text; messages the preview
// would raise (an unknown operator or comparison) are of no interest to a listing.
using SilentHost = NullHost;

class FieldLog final : public TokenObserver {
 public:
  void OnField(int address, int width, int value) override {
    Fields.push_back(DecodedField{address, width, static_cast<uint32_t>(value)});
  }
  std::vector<DecodedField> Fields;
};

}  // namespace

struct Decoder::Impl {
  SilentHost Host;
  Machine M{Host};
  FieldLog Log;
};

Decoder::Decoder(const std::array<uint8_t, 256>& image) : impl_(std::make_unique<Impl>()) {
  impl_->M.LoadImage(image);
  impl_->M.SetTokenObserver(&impl_->Log);
}

Decoder::~Decoder() = default;

Decoded Decoder::At(int address) {
  Machine& m = impl_->M;
  impl_->Log.Fields.clear();
  m.RestartPending = false;
  m.ListOnly = true;
  m.JumpTo(address);
  m.ExecuteNext();
  m.ListOnly = false;

  Decoded d;
  d.Start = address;
  d.Fields = std::move(impl_->Log.Fields);
  d.Text = m.InstrText;
  d.End = address;
  for (const DecodedField& f : d.Fields) {
    d.End = f.Address + f.Width;
    if (f.Address + f.Width > kEndAddress) d.OffEnd = true;
  }
  d.Opcode = d.Fields.empty() ? kEndOpcode : static_cast<int>(d.Fields.front().Value);
  const InstructionForm& form = FormOf(d.Opcode);
  d.FallsThrough = form.FallsThrough && form.Emulated;
  if (HasTargets(form)) {
    // In these instructions the only 11-bit fields are jump targets.
    for (size_t i = 1; i < d.Fields.size(); ++i) {
      if (d.Fields[i].Width == kTargetWidth) d.Targets.push_back(static_cast<int>(d.Fields[i].Value));
    }
  }
  return d;
}

}  // namespace qx9::asmx
