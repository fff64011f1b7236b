#pragma once
// How the panel plays the tones and rests of Sound. The program is held for the duration, as on the
// real controller; the default player only waits, and real audio slots in behind the same interface.

namespace qx9 {

class TonePlayer {
 public:
  virtual ~TonePlayer() = default;
  virtual void Tone(int frequencyHz, int durationMs) = 0;
  virtual void Rest(int durationMs) = 0;
};

// Waits the duration in a nested event loop that holds back clicks and keys (delivered afterwards, as
// with a modal box) while the window keeps repainting and timer ticks keep arriving: the cycle that
// plays the tone is still running, so those ticks find the machine busy and do nothing.
class WaitingTonePlayer : public TonePlayer {
 public:
  void Tone(int frequencyHz, int durationMs) override;
  void Rest(int durationMs) override;

  static void Wait(int durationMs);
};

}  // namespace qx9
