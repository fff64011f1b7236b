#include "panel/form1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "panel/image_control.h"

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
  // Key preview: only an application-wide filter sees a key before a focused line edit does.
  qApp->installEventFilter(this);
}

Form1::~Form1() {
  timer1_.setEnabled(false);
  qApp->removeEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  int keyCode = 0;
  switch (static_cast<QKeyEvent*>(event)->key()) {
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

void Form1::MessageBox(const std::string& text) { dialogs_->MessageBox(this, QString::fromStdString(text)); }

std::optional<std::string> Form1::Prompt(const std::string& text) {
  const std::optional<QString> answer = dialogs_->Prompt(this, QString::fromStdString(text));
  if (!answer) return std::nullopt;
  return answer->toStdString();
}

void Form1::Tone(int frequencyHz, int durationMs) { tones_->Tone(frequencyHz, durationMs); }

void Form1::Rest(int durationMs) { tones_->Rest(durationMs); }

void Form1::SetRunning(bool running) {
  RunBtn_->setText(running ? QStringLiteral("Stop (F5)") : QStringLiteral("Run (F5)"));
}

std::string Form1::WordBoxText(int index) const {
  if (index < 0 || index > 7) return {};
  return WBox_[index]->text().toStdString();
}

// Every control the view covers is rewritten, changed or not.
void Form1::ShowPanel(const PanelView& view) {
  for (int i = 0; i < 8; ++i) {
    WBox_[i]->setText(QString::fromStdString(view.WordText[i]));
    BVar_[i]->setText(QString::fromStdString(view.ByteText[i]));
  }
  for (int i = 0; i < 8; ++i) {
    GLED_[i]->setPixmap(view.LedOn[i] ? LEDON_ : LEDOFF_);
    GInBtn_[i]->setEnabled(view.SwitchEnabled[i]);
    GInBtn_[i]->setPixmap(view.SwitchUp[i] ? SwUp_ : SwDn_);
    GInBtn_[i]->setProperty("Tag", view.SwitchUp[i] ? QStringLiteral("1") : QStringLiteral("0"));
  }
  StateBox_->setText(QString::fromStdString(view.StateText));
}

void Form1::ShowState(const std::string& text) { StateBox_->setText(QString::fromStdString(text)); }

std::string Form1::PotText() const { return PotInput_->text().toStdString(); }

std::string Form1::PulsInText() const { return PulsIn_->text().toStdString(); }

void Form1::SetLastPWM(const std::string& text) { LastPWM_->setText(QString::fromStdString(text)); }

}  // namespace qx9
