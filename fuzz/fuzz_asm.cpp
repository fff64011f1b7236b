// libFuzzer target for the assembler and the listing. The first byte picks what the rest is:
//   even: assembler source. When it assembles, its listing must assemble to the same image; when it
//         does not, the messages must be few, placed on the source's lines, short and printable.
//   odd:  a program image (padded with zeros to 256 bytes, longer input cut). Its listing must assemble
//         back to the very same image.
// A broken rule aborts with its description, which libFuzzer reports as a finding.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "asm/assembler.h"
#include "asm/listing.h"

namespace {

using Image = std::array<uint8_t, 256>;

[[noreturn]] void Fail(const std::string& what, const std::string& text) {
  std::fprintf(stderr, "assembler rule broken: %s\n--- text ---\n%s\n", what.c_str(), text.c_str());
  std::abort();
}

// The listing of `image` must assemble, to `image`.
void CheckListing(const Image& image) {
  const std::string listing = qx9::asmx::ListProgram(image);
  const qx9::asmx::AssembleResult again = qx9::asmx::Assemble(listing);
  if (!again.Ok()) {
    Fail("a listing does not assemble: " + qx9::asmx::FormatDiagnostic("listing", again.Errors.front()), listing);
  }
  if (again.Image != image) Fail("a listing assembles to another image", listing);
}

// Messages of a failed source: at most 20 and the note that it stopped, each on a line of the source,
// bounded in length and free of control characters.
void CheckMessages(const std::string& source, const qx9::asmx::AssembleResult& result) {
  if (result.Errors.size() > 21) Fail("more than 20 errors reported", source);
  size_t lines = 1;
  for (char c : source) lines += (c == '\n' || c == '\r') ? 1 : 0;
  for (const qx9::asmx::Diagnostic& d : result.Errors) {
    if (d.Line < 1 || static_cast<size_t>(d.Line) > lines || d.Column < 1) {
      Fail("a message outside the source: " + qx9::asmx::FormatDiagnostic("source", d), source);
    }
    if (d.Message.size() > 260) {
      Fail("a message of " + std::to_string(d.Message.size()) + " characters", source);
    }
    for (char c : d.Message) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte >= 0x7F) Fail("a message with an unprintable byte: " + d.Message, source);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  if (mode % 2 == 1) {
    Image image{};
    for (size_t i = 0; i < image.size() && i < size; ++i) image[i] = data[i];
    CheckListing(image);
    return 0;
  }
  const std::string source(reinterpret_cast<const char*>(data), size);
  const qx9::asmx::AssembleResult result = qx9::asmx::Assemble(source);
  if (result.Ok()) {
    CheckListing(result.Image);
  } else {
    CheckMessages(source, result);
  }
  return 0;
}
