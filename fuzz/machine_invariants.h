#pragma once
// Drives a machine with user actions (presses, ticks, clicks, typing) and checks, after every one, the
// invariants no program and no user may break:
//   - the token position lies within the image or exactly at its end;
//   - the return stack depth stays within 0..17, and every word an instruction wrote is a 16-bit value
//     (a word box may load a wider value; that one is left alone until an instruction writes the word);
//   - a preview leaves every field of the machine state as it found it (its texts aside) and does not
//     touch the word boxes;
//   - for an instruction that neither jumps nor restarts, decoding it reads exactly the fields that
//     executing it reads.
// The fuzzer's, shared with the soak and word box tests; header-only so each can use it without another library.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/machine.h"
#include "core/shown_word_boxes.h"

namespace qx9::test {

// A host that behaves like the panel without showing anything: its word boxes keep what the last redraw
// wrote until something is typed, prompts take their answers from a source, and timer ticks may arrive
// while a message box or prompt is open (as they do on the panel), which exercises Busy.
class ScriptedHost final : public Host {
 public:
  void MessageBox(const std::string&) override {
    ++Messages;
    DeliverModalTicks();
  }
  std::optional<std::string> Prompt(const std::string&) override {
    ++Prompts;
    DeliverModalTicks();
    if (AnswerSource) return AnswerSource();
    if (answers_.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(answers_.front());
    answers_.erase(answers_.begin());
    return answer;
  }
  void Tone(int, int) override { ++Tones; }
  void Rest(int) override { ++Rests; }
  bool TimerEnabled() const override { return timer_; }
  void SetTimerEnabled(bool enabled) override { timer_ = enabled; }
  std::string WordBoxText(int index) const override { return boxes_.Text(index); }
  Boxes WordBoxes() const override { return Mode == Boxes::AsShown ? boxes_.Mode() : Mode; }
  void ShowPanel(const PanelView& view) override { boxes_.Show(view); }
  void ShowState(const std::string&) override {}
  std::string PotText() const override { return pot_; }
  std::string PulsInText() const override { return pulsIn_; }
  void SetLastPWM(const std::string&) override {}

  void TypeWordBox(int index, std::string text) { boxes_.Type(index, std::move(text)); }
  void SetPotText(std::string text) { pot_ = std::move(text); }
  void SetPulsInText(std::string text) { pulsIn_ = std::move(text); }
  void QueueAnswer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }
  const std::array<std::string, 8>& BoxTexts() const { return boxes_.Texts(); }

  // What it tells the core about its boxes. Told AsShown, it says MayBeEdited from a typing until the
  // next redraw, as a panel that notices edits would; NoPanel hosts are not typed into.
  Boxes Mode = Boxes::MayBeEdited;
  // Ticks delivered inside every message box and prompt while the timer runs (0: none).
  Machine* TickTarget = nullptr;
  int ModalTicks = 0;
  // When set, answers every prompt (the queue is then unused).
  std::function<std::optional<std::string>()> AnswerSource;

  int Messages = 0, Prompts = 0, Tones = 0, Rests = 0;

 private:
  void DeliverModalTicks() {
    for (int i = 0; i < ModalTicks && TickTarget != nullptr && timer_; ++i) TickTarget->Timer1_Timer();
  }

  bool timer_ = false;
  ShownWordBoxes boxes_;
  std::string pot_, pulsIn_;
  std::vector<std::optional<std::string>> answers_;
};

// The fields the token reader reports, split by mode: executed ones, and decode-only ones.
class FieldLog final : public TokenObserver {
 public:
  explicit FieldLog(const Machine& m) : m_(m) {}
  void OnField(int address, int width, int) override {
    if (m_.ListOnly) {
      DecodeOnly.emplace_back(address, width);
    } else {
      Executed.emplace_back(address, width);
      ExecutedEnd = m_.LinearAddress();
    }
  }
  void Clear() {
    DecodeOnly.clear();
    Executed.clear();
    ExecutedEnd = -1;
  }
  std::vector<std::pair<int, int>> DecodeOnly, Executed;
  int ExecutedEnd = -1;  // position after the last executed field

 private:
  const Machine& m_;
};

class InvariantChecker {
 public:
  InvariantChecker(Machine& m, ScriptedHost& host) : m_(m), host_(host), log_(m) {}

  // The load step, checked like any action.
  std::string Start() {
    return Act([this] { m_.StartProgram(); });
  }

  // Runs one user action (a press, a tick, a click, typing) and returns the first broken invariant, or
  // an empty text when all hold.
  template <typename Action>
  std::string Act(Action action) {
    const uint64_t executed = m_.InstructionsExecuted;
    const uint64_t restarts = m_.RestartsRun;
    const bool pending = m_.RestartPending;
    const int start = m_.LinearAddress();
    log_.Clear();
    m_.SetTokenObserver(&log_);
    action();
    m_.SetTokenObserver(nullptr);

    if (std::string e = CheckBounds(); !e.empty()) return e;
    for (int i = 0; i < 8; ++i) {
      if (m_.Ram[i] != ramBefore_[i] && (m_.Ram[i] < -32768 || m_.Ram[i] > 32767)) {
        return "word " + std::to_string(i) + " written out of range: " + std::to_string(m_.Ram[i]);
      }
    }
    const bool oneInstruction = m_.InstructionsExecuted == executed + 1;
    const bool restarted = pending || m_.RestartsRun != restarts || m_.RestartPending;
    const bool jumped = m_.LinearAddress() != log_.ExecutedEnd;
    if (oneInstruction && !restarted && !jumped && decodedValid_ && decodedAt_ == start && log_.Executed != decoded_) {
      return "decode-only read other fields than execution at address " + std::to_string(start) + " (" +
             std::to_string(decoded_.size()) + " vs " + std::to_string(log_.Executed.size()) + " fields)";
    }
    return CheckPreview();
  }

  // Previews are checked after every action by default; a long soak may check only some.
  bool CheckPreviews = true;

 private:
  std::string CheckBounds() const {
    if (m_.TokByte < 0 || m_.TokByte > kImageSize || m_.TokBit < -1 || m_.TokBit > 7 ||
        m_.LinearAddress() > kEndAddress) {
      return "token position out of the image: byte " + std::to_string(m_.TokByte) + " bit " +
             std::to_string(m_.TokBit);
    }
    if (m_.GosubDepth < 0 || m_.GosubDepth > kStackSize) {
      return "GosubDepth " + std::to_string(m_.GosubDepth);
    }
    if (m_.Busy || m_.ListOnly) return "Busy or ListOnly left set after an action";
    return "";
  }

  // Takes the boxes in (as the next cycle would), then previews and compares. A pending restart is not
  // a preview's to keep: the next cycle resets, so that case is only bounds-checked.
  std::string CheckPreview() {
    decodedValid_ = false;
    m_.ReadWordBoxes();
    ramBefore_ = m_.Ram;
    if (m_.RestartPending || !CheckPreviews) return "";
    MachineState before = m_;
    const std::array<std::string, 8> boxes = host_.BoxTexts();
    const int modalTicks = host_.ModalTicks;
    host_.ModalTicks = 0;  // a tick inside a preview's message box would count a wait down
    log_.Clear();
    m_.SetTokenObserver(&log_);
    m_.PreviewNext();
    m_.SetTokenObserver(nullptr);
    host_.ModalTicks = modalTicks;
    MachineState after = m_;
    after.InstrText = before.InstrText;
    after.OperandText = before.OperandText;
    after.LastPWM = before.LastPWM;              // a preview of PWM shows its voltage, as the texts show its operands
    after.TextPendingAt = before.TextPendingAt;  // the preview's text is built; a pending one is gone
    if (!(after == before)) return "preview changed the machine state: " + Difference(before, after);
    if (host_.BoxTexts() != boxes) return "preview changed a word box";
    decoded_ = log_.DecodeOnly;
    decodedAt_ = m_.LinearAddress();
    decodedValid_ = true;
    return "";
  }

  static std::string Difference(const MachineState& a, const MachineState& b) {
    if (a.Ram != b.Ram) return "Ram";
    if (a.Eeprom != b.Eeprom) return "Eeprom";
    if (a.TokByte != b.TokByte || a.TokBit != b.TokBit) return "token position";
    if (a.GosubStack != b.GosubStack || a.GosubDepth != b.GosubDepth) return "return stack";
    if (a.RestartPending != b.RestartPending) return "RestartPending";
    if (a.WaitMs != b.WaitMs) return "WaitMs";
    if (a.StepOverArmed != b.StepOverArmed || a.StepOverTarget != b.StepOverTarget) return "step over";
    if (a.SwitchUp != b.SwitchUp) return "switches";
    if (a.ShownWords != b.ShownWords || a.ShownValid != b.ShownValid) return "shown words";
    return "a flag";
  }

  Machine& m_;
  ScriptedHost& host_;
  FieldLog log_;
  std::array<int32_t, 8> ramBefore_{};
  std::vector<std::pair<int, int>> decoded_;
  int decodedAt_ = -1;
  bool decodedValid_ = false;
};

}  // namespace qx9::test
