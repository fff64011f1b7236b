#pragma once
// Measuring recorded (or generated) square waves: the pitch from zero crossings, and a recording split
// into its tones and the silences between them.

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace qx9::test {

// The frequency of the sign changes in samples: half periods between the first and the last change,
// over the time between them. 0 when there are fewer than two changes.
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

struct Tone {
  int64_t Start = 0;  // first sample
  int64_t End = 0;    // one past the last sample
  double FrequencyHz = 0;
};

// Splits a recording into tones. Silence is exact zeros (a square wave never is zero); inside a sound,
// a new tone starts where the length of the level runs (half periods) changes for good: a run that
// differs from the tone's mean while the run after it agrees with the new length. A single odd run (a
// half period cut short where a tone ends) stays with its tone.
inline std::vector<Tone> FindTones(const std::vector<int16_t>& s, int sampleRate) {
  struct Run {
    int64_t start, length;
    bool silent;
  };
  std::vector<Run> runs;
  for (size_t i = 0; i < s.size();) {
    const int sign = (s[i] > 0) - (s[i] < 0);
    size_t j = i + 1;
    while (j < s.size() && ((s[j] > 0) - (s[j] < 0)) == sign) ++j;
    runs.push_back({static_cast<int64_t>(i), static_cast<int64_t>(j - i), sign == 0});
    i = j;
  }
  const auto differs = [](double a, double b) {
    const double tolerance = a * 0.1 > 1.5 ? a * 0.1 : 1.5;
    return std::abs(a - b) > tolerance;
  };
  std::vector<Tone> tones;
  double sum = 0;
  int64_t counted = 0;
  bool open = false;
  for (size_t k = 0; k < runs.size(); ++k) {
    const Run& r = runs[k];
    if (r.silent) {
      open = false;
      continue;
    }
    const double mean = counted > 0 ? sum / static_cast<double>(counted) : 0;
    const bool nextAgrees = k + 1 < runs.size() && !runs[k + 1].silent &&
                            !differs(static_cast<double>(r.length), static_cast<double>(runs[k + 1].length));
    if (!open || (counted >= 2 && differs(mean, static_cast<double>(r.length)) && nextAgrees)) {
      tones.push_back({r.start, r.start, 0});
      sum = 0;
      counted = 0;
      open = true;
    }
    tones.back().End = r.start + r.length;
    sum += static_cast<double>(r.length);
    ++counted;
  }
  for (Tone& t : tones) {
    t.FrequencyHz = CrossingFrequency(s.data() + t.Start, static_cast<size_t>(t.End - t.Start), sampleRate);
  }
  return tones;
}

}  // namespace qx9::test
