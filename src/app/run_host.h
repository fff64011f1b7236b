#pragma once
// The headless runner's host: everything the panel would show is printed as one line per event, and
// everything the user would type comes from the command line.

#include <deque>
#include <ostream>

#include "core/host.h"
#include "core/shown_word_boxes.h"

namespace qx9 {

class PrintingHost final : public Host {
 public:
  explicit PrintingHost(std::ostream& out) : out_(out) {}

  void MessageBox(const std::string& text) override;
  std::optional<std::string> Prompt(const std::string& text) override;
  void Tone(int frequencyHz, int durationMs) override;
  void Rest(int durationMs) override;
  bool TimerEnabled() const override { return timerEnabled_; }
  void SetTimerEnabled(bool enabled) override { timerEnabled_ = enabled; }
  std::string WordBoxText(int index) const override { return boxes_.Text(index); }
  // The boxes hold what the last redraw wrote until --word types into one.
  Boxes WordBoxes() const override { return boxes_.Mode(); }
  void ShowPanel(const PanelView& view) override { boxes_.Show(view); }
  bool ShowsStateText() const override { return false; }
  void ShowState(const std::string&) override {}
  std::string PotText() const override { return pot_; }
  std::string PulsInText() const override { return pulsIn_; }
  void SetLastPWM(const std::string& text) override { lastPwm_ = text; }

  // What the user would have typed or clicked.
  void TypeWordBox(int index, const std::string& text) { boxes_.Type(index, text); }
  void SetPotText(const std::string& text) { pot_ = text; }
  void SetPulsInText(const std::string& text) { pulsIn_ = text; }
  void QueueAnswer(const std::string& text) { answers_.push_back(text); }
  const std::string& LastPWM() const { return lastPwm_; }

 private:
  std::ostream& out_;
  bool timerEnabled_ = false;
  ShownWordBoxes boxes_;
  std::string pot_;
  std::string pulsIn_;
  std::string lastPwm_;
  std::deque<std::string> answers_;  // when none are left, a prompt is cancelled
};

}  // namespace qx9
