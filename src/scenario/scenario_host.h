#pragma once
// The host a scenario runs the machine with: no output of its own (the steps report), boxes typed by
// the steps, prompts answered from the queued answers and cancelled when none are left.

#include <array>
#include <deque>
#include <optional>
#include <string>

#include "core/host.h"

namespace qx9::scenario {

class ScenarioHost final : public Host {
 public:
  void MessageBox(const std::string&) override {}
  std::optional<std::string> Prompt(const std::string&) override {
    if (answers_.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
  }
  void Tone(int, int) override {}
  void Rest(int) override {}
  bool TimerEnabled() const override { return timerEnabled_; }
  void SetTimerEnabled(bool enabled) override { timerEnabled_ = enabled; }
  void SetRunning(bool running) override { running_ = running; }
  std::string WordBoxText(int index) const override { return words_.at(index); }
  Boxes WordBoxes() const override { return typed_ ? Boxes::MayBeEdited : Boxes::AsShown; }
  void ShowPanel(const PanelView& view) override {
    words_ = view.WordText;
    typed_ = false;
  }
  void ShowState(const std::string&) override {}
  std::string PotText() const override { return pot_; }
  std::string PulsInText() const override { return pulsIn_; }
  void SetLastPWM(const std::string& text) override { lastPwm_ = text; }

  void TypeWordBox(int index, const std::string& text) {
    words_.at(index) = text;
    typed_ = true;
  }
  bool Typed() const { return typed_; }
  const std::array<std::string, 8>& Words() const { return words_; }
  void SetPotText(const std::string& text) { pot_ = text; }
  void SetPulsInText(const std::string& text) { pulsIn_ = text; }
  void QueueAnswer(const std::optional<std::string>& answer) { answers_.push_back(answer); }
  const std::string& LastPWM() const { return lastPwm_; }
  bool Running() const { return running_; }

 private:
  bool timerEnabled_ = false;
  bool typed_ = true;  // nothing shown yet: the boxes must be read
  std::array<std::string, 8> words_;
  std::string pot_;
  std::string pulsIn_;
  std::string lastPwm_;
  bool running_ = false;  // what the Run/Stop button says
  std::deque<std::optional<std::string>> answers_;
};

}  // namespace qx9::scenario
