#pragma once
// A scripted host for tests: it records every effect the machine has on the outside world, in order,
// and answers prompts from a queue. Its word boxes behave like the panel's: a redraw rewrites them, and
// a test may "type" into one before the next cycle reads it.

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/host.h"

namespace qx9 {
class Machine;
}

namespace qx9::test {

enum class EventKind { Message, Prompt, Tone, Rest, Timer, Caption, LastPWM, Panel, State };

struct Event {
  EventKind Kind;
  std::string Text;        // message, prompt, caption, LastPWM or state text; a panel's StateText
  std::optional<std::string> Answer;  // a prompt's answer (nullopt: Cancel)
  int FrequencyHz = 0;     // a tone's
  int DurationMs = 0;      // a tone's or a rest's
  bool On = false;         // the timer's new state

  // One line: "message: Program reached end -- Restarting", "prompt: Pot value for pin 3 -> \"42\"",
  // "prompt: ... -> Cancel", "tone: 428 Hz 120 ms", "rest: 120 ms", "timer: on", "caption: Run (F5)",
  // "LastPWM: Pin3=2.51", "panel: High 3", "state: End".
  std::string Line() const;
};

class FakeHost final : public Host {
 public:
  FakeHost();

  // --- Host ---
  void MessageBox(const std::string& text) override;
  std::optional<std::string> Prompt(const std::string& text) override;
  void Tone(int frequencyHz, int durationMs) override;
  void Rest(int durationMs) override;
  bool TimerEnabled() const override { return timerEnabled_; }
  void SetTimerEnabled(bool enabled) override;
  void SetRunCaption(const std::string& caption) override;
  std::string WordBoxText(int index) const override;
  void ShowPanel(const PanelView& view) override;
  void ShowState(const std::string& text) override;
  std::string PotText() const override { return potText_; }
  std::string PulsInText() const override { return pulsInText_; }
  void SetLastPWM(const std::string& text) override;

  // --- script ---
  void TypeWordBox(int index, const std::string& text) { wordBoxes_.at(index) = text; }
  void SetPotText(const std::string& text) { potText_ = text; }
  void SetPulsInText(const std::string& text) { pulsInText_ = text; }
  // Answers for the next prompts, in order; when none is left a prompt is cancelled.
  void QueueAnswer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }
  // Sets the timer's state without recording an event (a run already under way).
  void PresetTimer(bool enabled) { timerEnabled_ = enabled; }
  // Called inside MessageBox / Prompt, while the machine waits for the user (ticks may arrive then).
  std::function<void(const std::string&)> OnMessage;
  std::function<void(const std::string&)> OnPrompt;

  // --- what happened ---
  const std::vector<Event>& Events() const { return events_; }
  // Event lines in order; panel redraws and StateBox writes only when asked for.
  std::vector<std::string> Lines(bool withDisplay = false) const;
  // The texts of one kind of event (messages, prompts, captions, LastPWM texts, states, panel states).
  std::vector<std::string> Texts(EventKind kind) const;
  int Count(EventKind kind) const;
  void ClearEvents() {
    events_.clear();
    panels_.clear();
  }

  const std::string& WordBox(int index) const { return wordBoxes_.at(index); }
  const std::optional<PanelView>& LastPanel() const { return lastPanel_; }
  const std::vector<PanelView>& Panels() const { return panels_; }  // every redraw, cleared with the events
  const std::string& StateBox() const { return stateBox_; }
  const std::string& LastPWMText() const { return lastPwm_; }
  const std::string& Caption() const { return caption_; }
  size_t AnswersLeft() const { return answers_.size(); }

 private:
  std::vector<Event> events_;
  std::array<std::string, 8> wordBoxes_{};
  std::string potText_;
  std::string pulsInText_;
  std::deque<std::optional<std::string>> answers_;
  bool timerEnabled_ = false;
  std::optional<PanelView> lastPanel_;
  std::vector<PanelView> panels_;
  std::string stateBox_;
  std::string lastPwm_;
  std::string caption_ = "Run (F5)";
};

// Delivers timer ticks while the host's timer is enabled, at most maxTicks; returns the ticks delivered.
int TickWhileRunning(Machine& machine, const FakeHost& host, int maxTicks);

}  // namespace qx9::test
