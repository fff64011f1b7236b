#include "asm/decoder.h"

#include "core/null_host.h"

namespace qx9::asmx {

struct Decoder::Impl {
  NullHost Host;
  Machine M{Host};
};

Decoder::Decoder(const std::array<uint8_t, 256>& image) : impl_(std::make_unique<Impl>()) { impl_->M.LoadImage(image); }

Decoder::~Decoder() = default;

Decoded Decoder::At(int address) { return impl_->M.Decode(address, Machine::DecodeEffects::Quiet, true); }

}  // namespace qx9::asmx
