#pragma once
// A scripted host for tests: it records every effect the machine has on the outside world, in order,
// and answers prompts from a queue. Its word boxes behave like the panel's: a redraw rewrites them, and
// a test may "type" into one before the next cycle reads it.

#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/machine.h"
#include "core/shown_word_boxes.h"

namespace qx9::test {

enum class EventKind { Message, Prompt, Tone, Rest, Timer, Running, LastPWM, Panel, State };

struct Event {
  EventKind Kind;
  std::string Full;  // one line: "message: ...", "prompt: <text> -> \"42\"" or "-> Cancel", "tone: 428 Hz 120 ms",
                     // "rest: 120 ms", "timer: on", "running: on", "LastPWM: Pin3=2.51", "panel: High 3", ...
};

class FakeHost final : public Host {
 public:
  FakeHost() {
    for (int i = 0; i < 8; ++i) boxes_.Type(i, "0000");
  }

  void MessageBox(const std::string& text) override { Log(EventKind::Message, "message: " + text); }
  std::optional<std::string> Prompt(const std::string& text) override {
    std::optional<std::string> answer;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
    Log(EventKind::Prompt, "prompt: " + text + " -> " + (answer ? "\"" + *answer + "\"" : "Cancel"));
    if (OnPrompt) OnPrompt(text);
    return answer;
  }
  void Tone(int hz, int ms) override {
    Log(EventKind::Tone, "tone: " + std::to_string(hz) + " Hz " + std::to_string(ms) + " ms");
  }
  void Rest(int ms) override { Log(EventKind::Rest, "rest: " + std::to_string(ms) + " ms"); }
  bool TimerEnabled() const override { return timer_; }
  void SetRunning(bool running) override {
    Log(EventKind::Running, std::string("running: ") + (running ? "on" : "off"));
  }
  void SetTimerEnabled(bool on) override {
    Log(EventKind::Timer, std::string("timer: ") + ((timer_ = on) ? "on" : "off"));
  }
  // Its boxes are always read (the default WordBoxes), as a panel's that anyone may type into.
  std::string WordBoxText(int index) const override { return boxes_.Text(index); }
  void ShowPanel(const PanelView& view) override {
    boxes_.Show(view);
    Log(EventKind::Panel, "panel: " + (state_ = view.StateText));
  }
  void ShowState(const std::string& text) override { Log(EventKind::State, "state: " + (state_ = text)); }
  std::string PotText() const override { return pot_; }
  std::string PulsInText() const override { return pulsIn_; }
  void SetLastPWM(const std::string& text) override { Log(EventKind::LastPWM, "LastPWM: " + text); }

  // --- script ---
  void TypeWordBox(int index, const std::string& text) { boxes_.Type(index, text); }
  void SetPotText(const std::string& text) { pot_ = text; }
  void SetPulsInText(const std::string& text) { pulsIn_ = text; }
  // Answers for the next prompts, in order (nullopt: Cancel); when none is left a prompt is cancelled.
  void QueueAnswer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }
  void PresetTimer(bool on) { timer_ = on; }         // a run already under way, without an event
  std::function<void(const std::string&)> OnPrompt;  // runs while the prompt is open (ticks may arrive)

  // --- what happened ---
  // Event lines in order; panel redraws and state box writes only when asked for.
  std::vector<std::string> Lines(bool withDisplay = false) const {
    std::vector<std::string> lines;
    for (const Event& e : events_) {
      if (withDisplay || (e.Kind != EventKind::Panel && e.Kind != EventKind::State)) lines.push_back(e.Full);
    }
    return lines;
  }
  int Count(EventKind kind) const {
    return static_cast<int>(
        std::count_if(events_.begin(), events_.end(), [kind](const Event& e) { return e.Kind == kind; }));
  }
  void ClearEvents() { events_.clear(); }
  const std::string& WordBox(int index) const { return boxes_.Text(index); }
  const std::string& StateBox() const { return state_; }

 private:
  void Log(EventKind kind, std::string line) { events_.push_back({kind, std::move(line)}); }
  std::vector<Event> events_;
  ShownWordBoxes boxes_;
  std::string pot_;
  std::string pulsIn_;
  std::string state_;
  std::deque<std::optional<std::string>> answers_;
  bool timer_ = false;
};

// Delivers timer ticks while the host's timer is enabled, at most maxTicks; returns the ticks delivered.
inline int TickWhileRunning(Machine& machine, const FakeHost& host, int maxTicks) {
  int ticks = 0;
  for (; ticks < maxTicks && host.TimerEnabled(); ++ticks) machine.Timer1_Timer();
  return ticks;
}

}  // namespace qx9::test
