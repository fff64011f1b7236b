#include "panel/square_wave.h"

#include <cstddef>

namespace qx9 {

int64_t SampleCount(int durationMs, int sampleRate) {
  if (durationMs <= 0 || sampleRate <= 0) return 0;
  return static_cast<int64_t>(durationMs) * sampleRate / 1000;
}

std::vector<int16_t> SquareWave(int frequencyHz, int durationMs, int sampleRate, int16_t amplitude) {
  std::vector<int16_t> samples(static_cast<std::size_t>(SampleCount(durationMs, sampleRate)), 0);
  if (frequencyHz <= 0) return samples;
  const auto low = static_cast<int16_t>(-amplitude);
  // Sample n lies in half period floor(n * 2f / rate): even ones are high, odd ones low. Integer
  // arithmetic keeps the phase exact over any length (n * 2f stays far inside 64 bits).
  for (std::size_t n = 0; n < samples.size(); ++n) {
    const int64_t half = static_cast<int64_t>(n) * 2 * frequencyHz / sampleRate;
    samples[n] = (half % 2 == 0) ? amplitude : low;
  }
  return samples;
}

}  // namespace qx9
