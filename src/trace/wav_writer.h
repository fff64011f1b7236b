#pragma once
// The program's sound as a WAV file: 16-bit mono PCM at 44,100 Hz. Each tone is a square wave of its
// frequency for its duration and each rest is silence, back to back: what the speaker plays, without
// the stretches between Sound instructions, which a long Pause or Sleep would fill with hours of
// silence. The VCD's tone_hz shows where each sound falls in simulated time.

#include <cstdint>
#include <functional>
#include <string>

#include "core/signal_recorder.h"

namespace qx9::trace {

constexpr int kWavSampleRate = 44100;
constexpr int16_t kWavAmplitude = 16000;  // half of full scale: loud, and no clipping in players

// The sample a span of simulated time from the start of the sound ends on, rounded to the nearest.
int64_t SampleAt(int64_t spanUs);

// Hands the samples over in blocks, oldest first, so a long recording needs no room for all of them.
// The callback returns false to stop early (a write failed).
using SampleSink = std::function<bool(const int16_t* samples, size_t count)>;
bool RenderSound(const SignalRecorder& recorder, const SampleSink& sink);
int64_t SoundSampleCount(const SignalRecorder& recorder);

// Writes the WAV through libsndfile, complete or not at all; false with a message to show.
bool WriteWav(const SignalRecorder& recorder, const std::string& path, std::string& error);

}  // namespace qx9::trace
