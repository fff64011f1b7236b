#include "trace/vcd_writer.h"

#include <algorithm>
#include <array>
#include <optional>

#include "trace/atomic_file.h"

namespace qx9::trace {

namespace {

// The variables, in this order: pin0..pin7, dir0..dir7, port, W0..W6, tone_hz.
constexpr int kPinVar = 0;
constexpr int kDirVar = 8;
constexpr int kPortVar = 16;
constexpr int kWordVar = 17;
constexpr int kToneVar = 24;
constexpr int kVarCount = 25;

// One printable character per variable, as the format allows.
char Id(int var) { return static_cast<char>('!' + var); }

std::string Binary(uint32_t value, int bits) {
  std::string text;
  for (int bit = bits - 1; bit >= 0; --bit) text += ((value >> bit) & 1) ? '1' : '0';
  return text;
}

std::string Header() {
  std::string h = "$version qx9emu signal recorder $end\n$timescale 1us $end\n$scope module qx9 $end\n";
  auto var = [&h](const char* type, int width, int id, const std::string& name) {
    h += std::string("$var ") + type + " " + std::to_string(width) + " " + Id(id) + " " + name + " $end\n";
  };
  for (int pin = 0; pin < 8; ++pin) var("wire", 1, kPinVar + pin, "pin" + std::to_string(pin));
  for (int pin = 0; pin < 8; ++pin) var("wire", 1, kDirVar + pin, "dir" + std::to_string(pin));
  var("wire", 16, kPortVar, "port");
  for (int w = 0; w < 7; ++w) var("wire", 16, kWordVar + w, "W" + std::to_string(w));
  var("integer", 32, kToneVar, "tone_hz");
  return h + "$upscope $end\n$enddefinitions $end\n";
}

// Collects the values set at one time stamp and writes only those that differ from what the dump
// shows already, so a tone that ends where the next begins, or a word set twice, writes once.
class ChangeWriter {
 public:
  explicit ChangeWriter(std::string& out) : out_(out) {}

  void Set(int64_t timeUs, int var, uint32_t value) {
    if (timeUs != time_ || !started_) {
      if (started_) Flush();
      started_ = true;
    }
    time_ = timeUs;
    pending_[static_cast<size_t>(var)] = value;
  }

  void SetWords(int64_t timeUs, const SignalSnapshot& s) {
    for (int pin = 0; pin < 8; ++pin) Set(timeUs, kPinVar + pin, s.PinHigh(pin));
    for (int pin = 0; pin < 8; ++pin) Set(timeUs, kDirVar + pin, s.PinOutput(pin));
    Set(timeUs, kPortVar, s.Port());
    for (int w = 0; w < 7; ++w) Set(timeUs, kWordVar + w, s.Words[static_cast<size_t>(w)]);
  }

  // The first time stamp lists every variable, as viewers expect of $dumpvars; later ones only what
  // changed.
  void Flush() {
    if (!dumped_) {
      out_ += "#" + std::to_string(time_) + "\n$dumpvars\n";
      for (int var = 0; var < kVarCount; ++var) {
        const auto v = static_cast<size_t>(var);
        shown_[v] = pending_[v].value_or(0);
        out_ += Line(var, *shown_[v]);
      }
      out_ += "$end\n";
      pending_.fill(std::nullopt);
      dumped_ = true;
      wroteAt_ = time_;
      return;
    }
    std::string changes;
    for (int var = 0; var < kVarCount; ++var) {
      const auto v = static_cast<size_t>(var);
      if (!pending_[v] || pending_[v] == shown_[v]) continue;
      changes += Line(var, *pending_[v]);
      shown_[v] = pending_[v];
    }
    pending_.fill(std::nullopt);
    if (changes.empty()) return;
    out_ += "#" + std::to_string(time_) + "\n";
    out_ += changes;
    wroteAt_ = time_;
  }

  // The last time stamp ends the dump. A run that stops at the moment of its last change still gives
  // that change a microsecond: readers that sample the dump take the final stamp as its end and would
  // otherwise never show the last value.
  void Close(int64_t endUs) {
    Flush();
    if (wroteAt_ == time_) endUs = std::max(endUs, time_ + 1);
    if (endUs > time_) out_ += "#" + std::to_string(endUs) + "\n";
  }

 private:
  static std::string Line(int var, uint32_t value) {
    if (var < kPortVar) return std::string(value ? "1" : "0") + Id(var) + "\n";
    return "b" + Binary(value, var == kToneVar ? 32 : 16) + " " + Id(var) + "\n";
  }

  std::string& out_;
  int64_t time_ = 0;
  int64_t wroteAt_ = -1;  // the last time stamp written with values under it
  bool started_ = false;  // a time stamp is open
  bool dumped_ = false;   // the $dumpvars block is written
  std::array<std::optional<uint32_t>, kVarCount> pending_{};
  std::array<std::optional<uint32_t>, kVarCount> shown_{};
};

}  // namespace

std::string VcdText(const SignalRecorder& recorder) {
  std::string out = Header();
  ChangeWriter writer(out);
  SignalSnapshot values = recorder.Origin();
  writer.SetWords(values.TimeUs, values);
  writer.Set(values.TimeUs, kToneVar, static_cast<uint32_t>(values.ToneHzNow()));
  // A tone ends by itself; its end is written when the dump reaches that time.
  bool toneSounding = values.ToneHzNow() != 0;
  int64_t toneEnd = values.ToneEndUs;
  auto endToneBy = [&](int64_t timeUs) {
    if (toneSounding && toneEnd <= timeUs) {
      writer.Set(toneEnd, kToneVar, 0);
      toneSounding = false;
    }
  };
  for (size_t i = 0; i < recorder.EventCount(); ++i) {
    const SignalEvent e = recorder.Event(i);
    endToneBy(e.TimeUs);
    ApplySignalEvent(values, e);
    if (e.Kind == SignalKind::Word) {
      writer.SetWords(e.TimeUs, values);
    } else if (e.Kind == SignalKind::Tone || e.Kind == SignalKind::Rest) {
      writer.Set(e.TimeUs, kToneVar, static_cast<uint32_t>(e.Kind == SignalKind::Tone ? e.Value : 0));
      toneSounding = true;
      toneEnd = values.ToneEndUs;
    }
  }
  endToneBy(toneEnd);
  writer.Close(recorder.EndTimeUs());
  return out;
}

bool WriteVcd(const SignalRecorder& recorder, const std::string& path, std::string& error) {
  const std::string text = VcdText(recorder);
  return WriteFileAtomically(
      path, [&text](int fd, std::string& reason) { return WriteAll(fd, text.data(), text.size(), reason); }, error);
}

}  // namespace qx9::trace
