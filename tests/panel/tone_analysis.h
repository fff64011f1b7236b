#pragma once
// The pitch of a square wave, recorded or generated, from its zero crossings.

#include <cstdint>
#include <cstdlib>

namespace qx9::test {

// Half periods between the first and the last sign change, over the time between them; 0 when there
// are fewer than two changes.
inline double CrossingFrequency(const int16_t* samples, size_t count, int sampleRate) {
  int64_t first = -1, last = -1, changes = 0;
  for (size_t i = 1; i < count; ++i) {
    if ((samples[i] > 0) != (samples[i - 1] > 0)) {
      if (first < 0) first = static_cast<int64_t>(i);
      last = static_cast<int64_t>(i);
      ++changes;
    }
  }
  if (changes < 2 || last == first) return 0;
  return static_cast<double>(changes - 1) * sampleRate / (2.0 * static_cast<double>(last - first));
}

}  // namespace qx9::test
