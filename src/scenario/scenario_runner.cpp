#include "scenario/scenario_runner.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "core/machine.h"
#include "scenario/scenario_host.h"

namespace qx9::scenario {

namespace {

struct Tone {
  int Frequency = 0;
  int DurationMs = 0;
};

std::string DurationText(int64_t us) {
  if (us % 1000000 == 0) return std::to_string(us / 1000000) + "s";
  return std::to_string(us / 1000) + "ms";
}

std::string WordText(int32_t value) { return "0x" + WordBoxText(value) + " (" + std::to_string(WrapWord(value)) + ")"; }

// What a step's check found: passed, or what was wanted and what was there.
struct Check {
  Outcome Result = Outcome::Passed;
  std::string Expected;
  std::string Seen;
};

Check Pass() { return {}; }
Check Fail(Outcome result, std::string expected, std::string seen) {
  return {result, std::move(expected), std::move(seen)};
}

class ScenarioRun final : public MachineListener {
 public:
  ScenarioRun(const std::string& program, PanelCamera* camera, std::ostream& out)
      : program_(program), camera_(camera), out_(out), machine_(host_) {
    machine_.AddListener(*this);
  }
  ~ScenarioRun() override { machine_.RemoveListener(*this); }
  ScenarioRun(const ScenarioRun&) = delete;
  ScenarioRun& operator=(const ScenarioRun&) = delete;

  RunResult Run(const Scenario& scenario) {
    RunResult result;
    if (!machine_.LoadObjectFile(program_)) {
      result.Result = Outcome::FileError;
      return result;
    }
    // Loaded as the panel loads a file, then Run pressed: the program runs freely from here on.
    machine_.StartProgram();
    machine_.RunBtn_Click();
    for (const Step& step : scenario.Steps) {
      // Expect steps only look, so several in a row all see what the last step before them did.
      if (!IsExpect(step.Kind)) messages_.clear();
      const Check check = Do(step);
      if (check.Result != Outcome::Passed) {
        result.Result = check.Result;
        result.FailedLine = step.Line;
        result.FailedStep = step.Text;
        result.Failure = "expected " + check.Expected + ", seen " + check.Seen;
        Print(result, "FAIL " + std::to_string(step.Line) + " " + step.Text + ": " + result.Failure);
        break;
      }
      // Any other step lets time pass: notes left over from the last expect-tone's Sound are gone.
      if (!IsExpect(step.Kind)) {
        tones_.clear();
        toneCursor_ = 0;
      }
      ++result.StepsPassed;
      Print(result, "ok " + std::to_string(step.Line) + " " + step.Text);
    }
    result.SimTimeUs = Now();
    return result;
  }

  // MachineListener: every message box (previews too, as the panel shows those) and every tone.
  // Only whether a text was shown matters, so each is kept once: a loop that shows a message at every
  // instruction for an hour of simulated time must not fill the memory.
  void OnMessage(const Machine&, const std::string& text) override {
    if (std::find(messages_.begin(), messages_.end(), text) == messages_.end()) messages_.push_back(text);
  }
  // Tones are kept only while an expect-tone runs the program: no other step looks at them.
  void OnTone(const Machine&, int frequencyHz, int durationMs) override {
    if (listeningForTones_) tones_.push_back({frequencyHz, durationMs});
  }

 private:
  static bool IsExpect(StepKind kind) {
    return kind == StepKind::ExpectPin || kind == StepKind::ExpectWord || kind == StepKind::ExpectMessage ||
           kind == StepKind::ExpectTone;
  }

  void Print(RunResult& result, const std::string& line) {
    out_ << line << '\n';
    result.Log += line + '\n';
  }

  Check Do(const Step& step) {
    switch (step.Kind) {
      case StepKind::SetSwitch: return SetSwitch(step);
      case StepKind::TypeWord: host_.TypeWordBox(step.Index, step.Str); return Pass();
      case StepKind::SetPot: host_.SetPotText(step.Str); return Pass();
      case StepKind::SetPulsIn: host_.SetPulsInText(step.Str); return Pass();
      case StepKind::Answer: host_.QueueAnswer(step.Reply); return Pass();
      case StepKind::Delay: RunUntil(Now() + step.DurationUs, [] { return false; }); return Pass();
      case StepKind::WaitPin: return WaitPin(step);
      case StepKind::WaitWord: return WaitWord(step);
      case StepKind::ExpectPin: return ExpectPin(step);
      case StepKind::ExpectWord: return ExpectWord(step);
      case StepKind::ExpectMessage: return ExpectMessage(step);
      case StepKind::ExpectTone: return ExpectTone(step);
      case StepKind::Screenshot: return Screenshot(step);
    }
    return Pass();
  }

  // A switch of an output pin is disabled on the panel: it cannot be clicked.
  Check SetSwitch(const Step& step) {
    if (machine_.SwitchUp[step.Index] == step.Up) return Pass();
    if (Direction(step.Index) != 0) {
      return Fail(Outcome::Failed, "switch " + std::to_string(step.Index) + " enabled (pin an input)",
                  "it disabled (pin " + std::to_string(step.Index) + " an output)");
    }
    machine_.GInBtn_Click(step.Index);
    return Pass();
  }

  Check WaitPin(const Step& step) {
    const int64_t start = Now();
    if (RunUntil(start + step.TimeoutUs, [&] { return Level(step.Index) == step.Value; })) return Pass();
    return Fail(Outcome::TimedOut,
                "pin " + std::to_string(step.Index) + " = " + std::to_string(step.Value) + " within " +
                    DurationText(step.TimeoutUs),
                std::to_string(Level(step.Index)) + " after " + DurationText(Now() - start));
  }

  Check WaitWord(const Step& step) {
    const int64_t start = Now();
    if (RunUntil(start + step.TimeoutUs, [&] { return SameWord(Word(step.Index), step.Value); })) return Pass();
    return Fail(Outcome::TimedOut, WordText(step.Value) + " within " + DurationText(step.TimeoutUs),
                WordText(Word(step.Index)) + " after " + DurationText(Now() - start));
  }

  Check ExpectPin(const Step& step) {
    if (Level(step.Index) == step.Value) return Pass();
    return Fail(Outcome::Failed, std::to_string(step.Value), std::to_string(Level(step.Index)));
  }

  Check ExpectWord(const Step& step) {
    if (SameWord(Word(step.Index), step.Value)) return Pass();
    return Fail(Outcome::Failed, WordText(step.Value), WordText(Word(step.Index)));
  }

  Check ExpectMessage(const Step& step) {
    for (const std::string& message : messages_) {
      if (message == step.Str) return Pass();
    }
    std::string seen = messages_.empty() ? "no message" : "";
    for (const std::string& message : messages_) seen += (seen.empty() ? "\"" : ", \"") + message + "\"";
    return Fail(Outcome::Failed, "message \"" + step.Str + "\"", seen);
  }

  // The next tone, running on until one plays. A Sound plays all its notes in one instruction, so the
  // notes after the one an expect-tone took are still to come for the expect-tones that follow it.
  Check ExpectTone(const Step& step) {
    const int64_t start = Now();
    const std::string expected =
        std::to_string(step.Frequency) + " Hz for " + std::to_string(step.DurationUs / 1000) + " ms";
    listeningForTones_ = true;
    const bool played = RunUntil(start + step.TimeoutUs, [&] { return tones_.size() > toneCursor_; });
    listeningForTones_ = false;
    if (!played) {
      return Fail(Outcome::TimedOut, "a tone of " + expected + " within " + DurationText(step.TimeoutUs),
                  "no tone after " + DurationText(Now() - start));
    }
    const Tone& tone = tones_[toneCursor_++];
    if (tone.Frequency == step.Frequency && int64_t{tone.DurationMs} * 1000 == step.DurationUs) return Pass();
    return Fail(Outcome::Failed, expected,
                std::to_string(tone.Frequency) + " Hz for " + std::to_string(tone.DurationMs) + " ms");
  }

  Check Screenshot(const Step& step) {
    if (camera_ == nullptr) return Fail(Outcome::Failed, "a panel to take a screenshot of", "none in this build");
    PanelScene scene;
    scene.Program = program_;
    scene.State = machine_;
    scene.WordBoxes = host_.Words();
    scene.Pot = host_.PotText();
    scene.PulsIn = host_.PulsInText();
    scene.LastPWM = host_.LastPWM();
    scene.Running = host_.Running();
    const ShotResult shot = camera_->Take(scene, step.SaveTo, step.CompareWith);
    if (shot.Ok) return Pass();
    return Fail(Outcome::Failed, shot.Expected, shot.Seen);
  }

  // Runs timer ticks, as the panel's timer would deliver them, until `done` holds or the scenario's
  // clock reaches the deadline. Returns whether `done` held.
  bool RunUntil(int64_t deadline, const std::function<bool()>& done) {
    for (;;) {
      if (done()) return true;
      const int64_t now = Now();
      if (now >= deadline) return false;
      if (!host_.TimerEnabled()) {
        // The run has stopped (a restart stops it, as on the panel): time passes and nothing changes.
        stoppedUs_ += deadline - now;
        continue;
      }
      // Ticks that only count a wait down change nothing a step looks at: take them in one go, but
      // no further than the deadline.
      const int64_t room = (deadline - now + 9999) / 10000;
      const int32_t idle = static_cast<int32_t>(std::min<int64_t>(machine_.IdleTicksAhead(), room));
      if (idle > 0) {
        machine_.SkipIdleTicks(idle);
      } else {
        machine_.Timer1_Timer();
      }
    }
  }

  // The scenario's clock: the machine's simulated time, plus any time that passed with the run stopped.
  int64_t Now() const { return machine_.SimTimeUs + stoppedUs_; }

  int Direction(int pin) const { return (machine_.Ram[kPortWord] >> (pin + 8)) & 1; }
  int Level(int pin) const { return (Word(kPortWord) >> pin) & 1; }

  // A word as the panel shows it: a box typed and not yet taken in counts as the value its text reads as.
  int32_t Word(int index) const {
    if (host_.Typed()) return ParseWordBox(host_.WordBoxText(index));
    return machine_.Ram[index];
  }
  static bool SameWord(int32_t a, int32_t b) { return (a & 0xFFFF) == (b & 0xFFFF); }

  std::string program_;
  PanelCamera* camera_;
  std::ostream& out_;
  ScenarioHost host_;
  Machine machine_;
  std::vector<std::string> messages_;  // each text once, since the last step that was not an expect step
  std::vector<Tone> tones_;            // played during expect-tones since the last other step
  size_t toneCursor_ = 0;              // the first of them no expect-tone has taken yet
  bool listeningForTones_ = false;
  int64_t stoppedUs_ = 0;
};

}  // namespace

RunResult RunScenario(const Scenario& scenario, const std::string& program, PanelCamera* camera, std::ostream& out) {
  ScenarioRun run(program, camera, out);
  return run.Run(scenario);
}

}  // namespace qx9::scenario
