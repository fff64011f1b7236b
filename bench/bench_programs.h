#pragma once
// The programs the benchmarks run, and a host that shows nothing, so a benchmark measures the core.

#include <array>
#include <cstdint>
#include <string>

#include "core/null_host.h"

namespace qx9::bench {

// (a) A tight arithmetic loop: Let, If, Goto, over and over; no instruction touches the host.
std::array<uint8_t, 256> ArithmeticLoop();
// (b) One pass through every instruction family except the restarting ones, then back to the start.
//     Pot and PulsIn take their values from the boxes (no prompt), Debug shows a message, Sound plays.
std::array<uint8_t, 256> EveryFamilyLoop();

// A panel nobody looks at: the word boxes keep what the last redraw wrote (as a panel's do, so the
// words survive from one cycle to the next), messages and tones go nowhere, prompts are cancelled.
// It tells the core what it chose to about its boxes: nothing (so they are read and parsed at every
// cycle, the way every host did before it could tell), that they hold what was shown, or that there is
// no panel at all.
class NullHost final : public qx9::NullHost {
 public:
  explicit NullHost(Boxes boxes) : boxes_(boxes) {}
  Boxes WordBoxes() const override { return boxes_; }
  std::string WordBoxText(int index) const override { return words_[index]; }
  void ShowPanel(const PanelView& view) override { words_ = view.WordText; }
  std::string PotText() const override { return "42"; }
  std::string PulsInText() const override { return "17"; }

 private:
  Boxes boxes_;
  std::array<std::string, 8> words_;
};

}  // namespace qx9::bench
