#pragma once
// The samples of a tone as the controller makes it: the speaker pin toggling between high and low, a
// square wave. A pure function so the pitch and length can be checked without a sound device.

#include <cstdint>
#include <vector>

namespace qx9 {

// Samples for durationMs at sampleRate: exactly durationMs * sampleRate / 1000 of them (rounded down),
// +amplitude while the pin is high and -amplitude while it is low, starting high. The level follows
// the exact phase of frequencyHz, so the pitch is right on average even when a half period is not a
// whole number of samples. A frequency of 0 or less gives silence of the same length.
std::vector<int16_t> SquareWave(int frequencyHz, int durationMs, int sampleRate, int16_t amplitude);

// How many samples durationMs takes at sampleRate (0 for a negative duration).
int64_t SampleCount(int durationMs, int sampleRate);

}  // namespace qx9
