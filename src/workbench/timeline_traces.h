#pragma once
// What the timeline draws for one visible time range, worked out apart from the drawing so it can be
// checked: the pins as levels with their direction, the words as bus values, tones and rests as bars,
// PWM as marks. Changes closer together than one pixel are merged into one busy segment, so a row never
// holds more segments than the view has pixels, however many events the ring keeps.

#include <array>
#include <cstdint>
#include <vector>

#include "core/signal_recorder.h"

namespace qx9 {

struct TraceSegment {
  static constexpr int kBusy = -1;  // several changes within one pixel
  int64_t FromUs = 0;
  int64_t ToUs = 0;
  int Value = 0;  // a word's 16-bit pattern; a pin: bit 0 its level, bit 1 set while an output

  bool operator==(const TraceSegment&) const = default;
};

struct SoundBar {
  int64_t FromUs = 0;
  int64_t ToUs = 0;
  int Hz = 0;  // 0: a rest
  int DurationMs = 0;
};

struct PwmMark {
  int64_t TimeUs = 0;
  int Pin = 0;
  int Duty = 0;
  int Cycles = 0;
};

struct TimelineTraces {
  std::array<std::vector<TraceSegment>, 8> Pins;
  std::array<std::vector<TraceSegment>, 8> Words;  // W0..W6 and the port word
  std::vector<SoundBar> Sounds;
  std::vector<PwmMark> Pwm;
};

// The traces over [fromUs, toUs); `pixelUs` is the time one pixel spans (changes closer than that merge).
// `start`: the values current at fromUs, when the caller has them at hand.
TimelineTraces TracesIn(const SignalRecorder& recorder, int64_t fromUs, int64_t toUs, int64_t pixelUs);
TimelineTraces TracesIn(const SignalRecorder& recorder, int64_t fromUs, int64_t toUs, int64_t pixelUs,
                        const SignalSnapshot& start);

// The values current at a time, as SignalRecorder::ValuesAt has them, kept from one call to the next:
// a view that moves on with a run applies only the events recorded since, not the whole ring again.
class ValuesCache {
 public:
  SignalSnapshot At(const SignalRecorder& recorder, int64_t timeUs);

 private:
  uint64_t applied_ = 0;  // events folded in, counted from the first recorded (dropped ones included)
  SignalEvent last_;      // the last of them, to tell that the recording is still the same
  SignalSnapshot values_;
};

// A pin's value in a segment, from the port word.
inline int PinValue(uint16_t port, int pin) { return ((port >> pin) & 1) | (((port >> (pin + 8)) & 1) << 1); }

}  // namespace qx9
