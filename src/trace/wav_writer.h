#pragma once
// The program's sound as a WAV file: 16-bit mono PCM at 44,100 Hz. Each tone is a square wave of its
// frequency for its duration and each rest is silence, placed at its simulated time, so the sound
// lines up with the signals of the VCD; the file runs from the oldest kept point to the end of the
// last tone or rest.

#include <cstdint>
#include <functional>
#include <string>

#include "core/signal_recorder.h"

namespace qx9::trace {

constexpr int kWavSampleRate = 44100;
constexpr int16_t kWavAmplitude = 16000;  // half of full scale: loud, and no clipping in players

// The sample index a simulated time falls on, counted from `originUs`, rounded to the nearest.
int64_t SampleAt(int64_t timeUs, int64_t originUs);

// Hands the samples over in blocks, oldest first, so a long recording needs no room for all of them.
// The callback returns false to stop early (a write failed).
using SampleSink = std::function<bool(const int16_t* samples, size_t count)>;
bool RenderSound(const SignalRecorder& recorder, const SampleSink& sink);
int64_t SoundSampleCount(const SignalRecorder& recorder);

// Writes the WAV through libsndfile, complete or not at all; false with a message to show.
bool WriteWav(const SignalRecorder& recorder, const std::string& path, std::string& error);

}  // namespace qx9::trace
