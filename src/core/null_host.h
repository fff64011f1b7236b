#pragma once
// A host with nothing attached: no panel, no sound, no timer; messages go nowhere and prompts are
// cancelled. Decoders, benchmarks and quiet previews start from it and override what they need.

#include "core/host.h"

namespace qx9 {

class NullHost : public Host {
 public:
  void MessageBox(const std::string&) override {}
  std::optional<std::string> Prompt(const std::string&) override { return std::nullopt; }
  void Tone(int, int) override {}
  void Rest(int) override {}
  bool TimerEnabled() const override { return false; }
  void SetTimerEnabled(bool) override {}
  std::string WordBoxText(int) const override { return {}; }
  Boxes WordBoxes() const override { return Boxes::NoPanel; }
  void ShowPanel(const PanelView&) override {}
  void ShowState(const std::string&) override {}
  std::string PotText() const override { return {}; }
  std::string PulsInText() const override { return {}; }
  void SetLastPWM(const std::string&) override {}
};

}  // namespace qx9
