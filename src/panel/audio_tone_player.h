#pragma once
// Sound's tones on the desktop's audio output (Qt Multimedia), as a square wave like the pin's.

#include <QString>
#include <memory>

#include "panel/tone_player.h"

class QAudioSink;

namespace qx9 {

class ToneStream;

class AudioTonePlayer : public TonePlayer {
 public:
  static constexpr int16_t kAmplitude = 6000;  // about a fifth of full scale: a square wave is loud

  // A player on the default audio output, in the format the output prefers (or another it supports),
  // or null when there is none or it cannot be opened; `why` then says what went wrong.
  static std::unique_ptr<AudioTonePlayer> ForDefaultOutput(QString* why = nullptr);

  // The rate the tones are made at: the output's.
  int sampleRate() const { return sampleRate_; }

  // Plays the tone and returns when it has been played out; the program stays held meanwhile (see
  // WaitingTonePlayer for what the window does in that time).
  void Tone(int frequencyHz, int durationMs) override;
  // Silence of the same length through the same stream, so the groups of a Sound stay back to back.
  void Rest(int durationMs) override;

 private:
  AudioTonePlayer(QAudioSink* sink, ToneStream* stream, int sampleRate)
      : sink_(sink), stream_(stream), sampleRate_(sampleRate) {}
  qint64 FramesToUs(qint64 frames) const { return frames * 1'000'000 / sampleRate_; }
  void Play(int frequencyHz, int durationMs);

  QAudioSink* sink_;    // owned by the application object: one sink for the application's life
  ToneStream* stream_;  // likewise
  int sampleRate_;
  bool playing_ = false;
  bool failed_ = false;  // the output stopped delivering: wait instead from then on
};

// The player of the emulator: the audio player when the desktop has an audio output, otherwise one that
// waits the durations silently; in that case it says once on standard error that sound is off.
std::unique_ptr<TonePlayer> MakeDesktopTonePlayer();

}  // namespace qx9
