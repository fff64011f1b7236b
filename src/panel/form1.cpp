#include "panel/form1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "panel/image_control.h"
#include "panel/panel_history.h"

namespace qx9 {

Form1::Form1(std::unique_ptr<Dialogs> dialogs, std::unique_ptr<TonePlayer> tones, QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>()),
      tones_(tones ? std::move(tones) : std::make_unique<WaitingTonePlayer>()),
      // A tick that leaves a wait pending counts 10 ms of it, so the next one is due 10 ms later; a
      // program without waits runs one instruction per millisecond.
      timer1_([this] {
        Timer1_Timer();
        return machine_.WaitMs > 0 ? 10 : 1;
      }),
      LEDON_(QStringLiteral(":/assets/led_on.png")),
      LEDOFF_(QStringLiteral(":/assets/led_off.png")),
      SwUp_(QStringLiteral(":/assets/switch_up.png")),
      SwDn_(QStringLiteral(":/assets/switch_down.png")) {
  CreateControls();
  display_ = std::make_unique<PanelDisplay>(DisplayedWidgets());
  panelHistory_ = new PanelHistory(*this);
  // Key preview: only an application-wide filter sees a key before a focused line edit does.
  qApp->installEventFilter(this);
}

Form1::~Form1() {
  timer1_.setEnabled(false);
  history_.Detach();
  machine_.RemoveListener(recorder_);
  qApp->removeEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  // Shift with Step or Run goes the other way through the history.
  if (key->modifiers() == Qt::ShiftModifier && (key->key() == Qt::Key_F8 || key->key() == Qt::Key_F5)) {
    if (key->key() == Qt::Key_F8) panelHistory_->StepBack();
    if (key->key() == Qt::Key_F5) panelHistory_->ReverseRun();
    return true;
  }
  int keyCode = 0;
  switch (key->key()) {
    case Qt::Key_F5: keyCode = kKeyF5; break;
    case Qt::Key_F8: keyCode = kKeyF8; break;
    case Qt::Key_F10: keyCode = kKeyF10; break;
    default: return false;
  }
  Form_KeyDown(keyCode);
  return keyCode == 0;
}

// The tests run in turn on the same code; each key acted on is cleared, so one press does one thing.
void Form1::Form_KeyDown(int& keyCode) {
  if (keyCode == kKeyF5) {
    RunBtn_Click();
    keyCode = 0;
  }
  if (keyCode == kKeyF8) {
    Step_Click();
    keyCode = 0;
  }
  if (keyCode == kKeyF10) {
    StepOver_Click();
    keyCode = 0;
  }
}

void Form1::Step_Click() {
  machine_.Step_Click();
  FlushPanel();
}

void Form1::StepOver_Click() {
  machine_.StepOver_Click();
  FlushPanel();
}

// The box opens over the exact state, whatever the last frame showed.
void Form1::MessageBox(const std::string& text) {
  ShowDeferredRedraw();
  FlushPanel();
  dialogs_->MessageBox(this, QString::fromStdString(text));
  TakeBackFocus();
}

std::optional<std::string> Form1::Prompt(const std::string& text) {
  ShowDeferredRedraw();
  FlushPanel();
  const std::optional<QString> answer = dialogs_->Prompt(this, QString::fromStdString(text));
  TakeBackFocus();
  if (!answer) return std::nullopt;
  return answer->toStdString();
}

// Without a window manager nobody hands the keyboard back when a box closes: X returns the focus to
// the root window and keys go wherever the pointer happens to be. So the panel asks for it itself;
// its own focus widget (the control the user was in) then gets the keys again.
void Form1::TakeBackFocus() {
  if (!isVisible()) return;
  activateWindow();
}

void Form1::SetTimerEnabled(bool enabled) {
  timer1_.setEnabled(enabled);
  // While the program runs freely the panel is drawn once a frame; a stopped run shows its exact state.
  display_->SetDeferred(enabled);
}

void Form1::Tone(int frequencyHz, int durationMs) { tones_->Tone(frequencyHz, durationMs); }

void Form1::Rest(int durationMs) { tones_->Rest(durationMs); }

void Form1::SetRunning(bool running) {
  RunBtn_->setText(running ? QStringLiteral("Stop (F5)") : QStringLiteral("Run (F5)"));
}

std::string Form1::WordBoxText(int index) const { return display_->WordBoxText(index); }

// Untouched boxes hold (or are about to show) the words the core last handed over, so the core may
// take those back instead of parsing eight texts at every cycle.
Host::Boxes Form1::WordBoxes() const {
  if (redrawDeferred_) return Boxes::NoPanel;  // a fast slice: no view is built, nothing is typed meanwhile
  return display_->AnyBoxEdited() ? Boxes::MayBeEdited : Boxes::AsShown;
}

void Form1::ShowPanel(const PanelView& view) { display_->Show(view); }

void Form1::ShowState(const std::string& text) {
  if (redrawDeferred_) {
    deferredState_ = text;
    return;
  }
  display_->ShowState(text);
}

std::string Form1::PotText() const { return PotInput_->text().toStdString(); }

std::string Form1::PulsInText() const { return PulsIn_->text().toStdString(); }

void Form1::SetLastPWM(const std::string& text) { display_->ShowLastPWM(text); }

}  // namespace qx9
