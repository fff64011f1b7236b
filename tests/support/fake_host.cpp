// The scripted host: records, answers from its queue, and keeps word boxes the way the panel does.
#include "support/fake_host.h"

#include "core/machine.h"

namespace qx9::test {

std::string Event::Line() const {
  switch (Kind) {
    case EventKind::Message: return "message: " + Text;
    case EventKind::Prompt: return "prompt: " + Text + " -> " + (Answer ? "\"" + *Answer + "\"" : "Cancel");
    case EventKind::Tone:
      return "tone: " + std::to_string(FrequencyHz) + " Hz " + std::to_string(DurationMs) + " ms";
    case EventKind::Rest: return "rest: " + std::to_string(DurationMs) + " ms";
    case EventKind::Timer: return On ? "timer: on" : "timer: off";
    case EventKind::Caption: return "caption: " + Text;
    case EventKind::LastPWM: return "LastPWM: " + Text;
    case EventKind::Panel: return "panel: " + Text;
    case EventKind::State: return "state: " + Text;
  }
  return "?";
}

FakeHost::FakeHost() { wordBoxes_.fill("0000"); }

void FakeHost::MessageBox(const std::string& text) {
  events_.push_back({EventKind::Message, text, {}, 0, 0, false});
  if (OnMessage) OnMessage(text);
}

std::optional<std::string> FakeHost::Prompt(const std::string& text) {
  std::optional<std::string> answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  events_.push_back({EventKind::Prompt, text, answer, 0, 0, false});
  if (OnPrompt) OnPrompt(text);
  return answer;
}

void FakeHost::Tone(int frequencyHz, int durationMs) {
  events_.push_back({EventKind::Tone, "", {}, frequencyHz, durationMs, false});
}

void FakeHost::Rest(int durationMs) { events_.push_back({EventKind::Rest, "", {}, 0, durationMs, false}); }

void FakeHost::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  events_.push_back({EventKind::Timer, "", {}, 0, 0, enabled});
}

void FakeHost::SetRunCaption(const std::string& caption) {
  caption_ = caption;
  events_.push_back({EventKind::Caption, caption, {}, 0, 0, false});
}

std::string FakeHost::WordBoxText(int index) const { return wordBoxes_.at(index); }

void FakeHost::ShowPanel(const PanelView& view) {
  lastPanel_ = view;
  panels_.push_back(view);
  wordBoxes_ = view.WordText;
  stateBox_ = view.StateText;
  events_.push_back({EventKind::Panel, view.StateText, {}, 0, 0, false});
}

void FakeHost::ShowState(const std::string& text) {
  stateBox_ = text;
  events_.push_back({EventKind::State, text, {}, 0, 0, false});
}

void FakeHost::SetLastPWM(const std::string& text) {
  lastPwm_ = text;
  events_.push_back({EventKind::LastPWM, text, {}, 0, 0, false});
}

std::vector<std::string> FakeHost::Lines(bool withDisplay) const {
  std::vector<std::string> lines;
  for (const Event& e : events_) {
    const bool display = e.Kind == EventKind::Panel || e.Kind == EventKind::State;
    if (!display || withDisplay) lines.push_back(e.Line());
  }
  return lines;
}

std::vector<std::string> FakeHost::Texts(EventKind kind) const {
  std::vector<std::string> texts;
  for (const Event& e : events_) {
    if (e.Kind == kind) texts.push_back(e.Text);
  }
  return texts;
}

int FakeHost::Count(EventKind kind) const {
  int n = 0;
  for (const Event& e : events_) n += e.Kind == kind ? 1 : 0;
  return n;
}

int TickWhileRunning(Machine& machine, const FakeHost& host, int maxTicks) {
  int ticks = 0;
  while (ticks < maxTicks && host.TimerEnabled()) {
    machine.Timer1_Timer();
    ++ticks;
  }
  return ticks;
}

}  // namespace qx9::test
