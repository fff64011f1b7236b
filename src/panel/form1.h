#pragma once
// Form1: the emulator's main window, the QX9's front panel. It implements the core's Host interface
// and forwards every user event to the machine; all machine logic lives in the core.

#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "core/history.h"
#include "core/machine.h"
#include "core/signal_recorder.h"
#include "panel/dialogs.h"
#include "panel/paced_timer.h"
#include "panel/panel_display.h"
#include "panel/tone_player.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qx9 {

class ImageControl;
class PanelHistory;

class Form1 : public QWidget, public Host {
  Q_OBJECT

 public:
  static constexpr int kKeyF5 = 116;
  static constexpr int kKeyF8 = 119;
  static constexpr int kKeyF10 = 121;

  // Null arguments choose the real dialogs and the waiting tone player.
  explicit Form1(std::unique_ptr<Dialogs> dialogs = nullptr, std::unique_ptr<TonePlayer> tones = nullptr,
                 QWidget* parent = nullptr);
  ~Form1() override;

  // The load step: splash, colours, the window, the file (the given one first, then the dialog until a
  // file loads), the first cycle. False when the user cancelled the dialog: the program ends.
  bool Form_Load(const std::optional<QString>& file = std::nullopt);

  Machine& machine() { return machine_; }
  PacedTimer& timer1() { return timer1_; }
  // The run's history and its signals, recorded from the load on (the workbench shows them).
  History& history() { return history_; }
  SignalRecorder& recorder() { return recorder_; }
  // Step Back (Shift+F8), Reverse Run (Shift+F5), and saving and loading the state (the context menu).
  PanelHistory& panelHistory() { return *panelHistory_; }
  PanelDisplay& display() { return *display_; }
  // Shows the exact state at once, for whoever reads the widgets between frames.
  void FlushPanel() { display_->Apply(); }
  // The object file the load step loaded (empty before, or when the image came from elsewhere).
  const QString& loadedFile() const { return loadedFile_; }

  // Event handlers, public so the benchmark and tests can drive them as the events would.
  void RunBtn_Click() { machine_.RunBtn_Click(); }
  // A press shows its result at once, even when Step Over starts a free run.
  void Step_Click();
  void StepOver_Click();
  void GInBtn_Click(int index) { machine_.GInBtn_Click(index); }
  void Timer1_Timer() { machine_.Timer1_Timer(); }
  // While deferred (the slices of an as-fast-as-possible run) the machine builds no view and the preview is
  // not shown; ending it redraws once. No event is handled during a slice, so nothing is typed meanwhile.
  void SetRedrawDeferred(bool deferred);
  // Acts on F5, F8 and F10 and sets the key code to 0 for a key it has acted on.
  void Form_KeyDown(int& keyCode);

  // Host
  void MessageBox(const std::string& text) override;
  std::optional<std::string> Prompt(const std::string& text) override;
  void Tone(int frequencyHz, int durationMs) override;
  void Rest(int durationMs) override;
  bool TimerEnabled() const override { return timer1_.isEnabled(); }
  void SetTimerEnabled(bool enabled) override;
  void SetRunning(bool running) override;
  std::string WordBoxText(int index) const override;
  Boxes WordBoxes() const override;
  void ShowPanel(const PanelView& view) override;
  void ShowState(const std::string& text) override;
  std::string PotText() const override;
  std::string PulsInText() const override;
  void SetLastPWM(const std::string& text) override;

 protected:
  // The window's key preview: F5, F8 and F10 are caught before whichever control has the focus.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();  // form1_layout.cpp
  void ColourLabels();
  void MakeDisabledTextReadable();                 // form1_layout.cpp
  PanelDisplay::Widgets DisplayedWidgets() const;  // form1_layout.cpp
  // After a modal box closes, keys must reach the panel again, with or without a window manager.
  void TakeBackFocus();
  void ShowDeferredRedraw();

  Machine machine_{*this};
  History history_;
  SignalRecorder recorder_;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<TonePlayer> tones_;
  PacedTimer timer1_;
  QString loadedFile_;
  bool redrawDeferred_ = false;
  std::string deferredState_;

  // The four bitmaps, held once and shown by reference.
  QPixmap LEDON_, LEDOFF_, SwUp_, SwDn_;

  QLabel* Label12_ = nullptr;
  std::array<ImageControl*, 8> GLED_{};
  std::array<ImageControl*, 8> GInBtn_{};
  QLineEdit* LastPWM_ = nullptr;
  QLineEdit* PotInput_ = nullptr;
  QLineEdit* PulsIn_ = nullptr;
  std::array<QLabel*, 8> RowLabel_{};  // Label1, Label3..Label8, Label2
  std::array<QLineEdit*, 8> WBox_{};
  std::array<QLabel*, 8> BVar_{};
  QPushButton* RunBtn_ = nullptr;
  QPushButton* Step_ = nullptr;
  QPushButton* StepOver_ = nullptr;
  QLineEdit* StateBox_ = nullptr;
  std::unique_ptr<PanelDisplay> display_;
  PanelHistory* panelHistory_ = nullptr;  // a child of the panel
};

}  // namespace qx9
