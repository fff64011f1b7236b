#include "trace/wav_writer.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

#include "trace/atomic_file.h"

namespace qx9::trace {

namespace {

constexpr size_t kBlock = 1 << 14;

struct Sound {
  int Hz = 0;  // 0: silence
  int64_t StartUs = 0;
  int64_t EndUs = 0;
};

// The tones and rests in time order, the rest of the one still sounding at the oldest kept point first.
std::vector<Sound> Sounds(const SignalRecorder& recorder) {
  std::vector<Sound> sounds;
  const SignalSnapshot& origin = recorder.Origin();
  if (origin.ToneEndUs > origin.TimeUs) sounds.push_back({origin.ToneHz, origin.TimeUs, origin.ToneEndUs});
  for (size_t i = 0; i < recorder.EventCount(); ++i) {
    const SignalEvent e = recorder.Event(i);
    if (e.Kind != SignalKind::Tone && e.Kind != SignalKind::Rest) continue;
    const int hz = e.Kind == SignalKind::Tone ? e.Value : 0;
    sounds.push_back({hz, e.TimeUs, e.TimeUs + int64_t{e.Length} * 1000});
  }
  return sounds;
}

// Collects samples into blocks for the sink.
class BlockWriter {
 public:
  explicit BlockWriter(const SampleSink& sink) : sink_(sink) { block_.reserve(kBlock); }

  bool Put(int16_t sample) {
    block_.push_back(sample);
    return block_.size() < kBlock || Flush();
  }
  bool Flush() {
    const bool ok = block_.empty() || sink_(block_.data(), block_.size());
    block_.clear();
    return ok;
  }

 private:
  const SampleSink& sink_;
  std::vector<int16_t> block_;
};

}  // namespace

int64_t SampleAt(int64_t spanUs) { return (spanUs * kWavSampleRate + 500000) / 1000000; }

int64_t SoundSampleCount(const SignalRecorder& recorder) {
  int64_t totalUs = 0;
  for (const Sound& s : Sounds(recorder)) totalUs += s.EndUs - s.StartUs;
  return SampleAt(totalUs);
}

bool RenderSound(const SignalRecorder& recorder, const SampleSink& sink) {
  BlockWriter out(sink);
  int64_t playedUs = 0;  // the sounds so far, back to back
  int64_t next = 0;      // the next sample to write
  for (const Sound& s : Sounds(recorder)) {
    const int64_t first = next;
    playedUs += s.EndUs - s.StartUs;
    // Both ends rounded from the running total, so lengths never drift by more than one sample.
    const int64_t end = SampleAt(playedUs);
    for (; next < end; ++next) {
      int16_t sample = 0;
      if (s.Hz > 0) {
        // Half periods counted from the tone's own start: high in the even ones, low in the odd.
        const int64_t halfPeriods = (next - first) * 2 * s.Hz / kWavSampleRate;
        sample = halfPeriods % 2 == 0 ? kWavAmplitude : static_cast<int16_t>(-kWavAmplitude);
      }
      if (!out.Put(sample)) return false;
    }
  }
  return out.Flush();
}

bool WriteWav(const SignalRecorder& recorder, const std::string& path, std::string& error) {
  return WriteFileAtomically(
      path,
      [&recorder](int fd, std::string& reason) {
        SF_INFO info{};
        info.samplerate = kWavSampleRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
        if (file == nullptr) {
          reason = sf_strerror(nullptr);
          return false;
        }
        const bool rendered = RenderSound(recorder, [file](const int16_t* samples, size_t count) {
          return sf_write_short(file, samples, static_cast<sf_count_t>(count)) == static_cast<sf_count_t>(count);
        });
        if (!rendered) reason = sf_strerror(file);
        // Closing writes the header's final lengths; its failure is a failed file too.
        const int closed = sf_close(file);
        if (rendered && closed != 0) reason = sf_error_number(closed);
        return rendered && closed == 0;
      },
      error);
}

}  // namespace qx9::trace
