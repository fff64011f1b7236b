#include "panel/panel_display.h"

#include <QLabel>
#include <QLineEdit>

namespace qx9 {

PanelDisplay::PanelDisplay(Widgets widgets, QObject* parent) : QObject(parent), w_(std::move(widgets)) {
  frame_.setSingleShot(true);
  frame_.setInterval(kFrameMs);
  connect(&frame_, &QTimer::timeout, this, &PanelDisplay::Apply);
  for (int i = 0; i < 8; ++i) {
    // Our own writes block the box's signals, so this sees only what someone else put there.
    connect(w_.WBox[i], &QLineEdit::textChanged, this, [this, i] {
      edited_[i] = true;
      shownWord_[i].clear();  // no word is four empty characters: the next view is drawn over it
    });
  }
}

void PanelDisplay::Show(const PanelView& view) {
  latest_ = view;
  // The core read the boxes before making this view, so what the user typed is in it now.
  edited_.fill(false);
  Changed();
}

void PanelDisplay::ShowState(const std::string& text) {
  latest_.StateText = text;
  Changed();
}

void PanelDisplay::ShowLastPWM(const std::string& text) {
  latestPWM_ = text;
  Changed();
}

void PanelDisplay::Changed() {
  pending_ = true;
  if (!deferred_) {
    Apply();
  } else if (!frame_.isActive()) {
    frame_.start();
  }
}

void PanelDisplay::SetDeferred(bool deferred) {
  deferred_ = deferred;
  if (deferred) return;
  frame_.stop();
  Apply();
}

void PanelDisplay::Apply() {
  if (!pending_) return;
  pending_ = false;
  ApplyWords();
  ApplyPins();
  SetText(w_.StateBox, latest_.StateText, shownState_);
  SetText(w_.LastPWM, latestPWM_, shownPWM_);
}

void PanelDisplay::ApplyWords() {
  for (int i = 0; i < 8; ++i) {
    // A box typed into after the last view keeps the user's text until the core has taken it in.
    if (!edited_[i]) SetText(w_.WBox[i], latest_.WordText[i], shownWord_[i]);
    SetText(w_.BVar[i], latest_.ByteText[i], shownByte_[i]);
  }
}

void PanelDisplay::ApplyPins() {
  for (int i = 0; i < 8; ++i) {
    const int led = latest_.LedOn[i] ? 1 : 0;
    if (shownLed_[i] != led) {
      w_.GLED[i]->setPixmap(led ? w_.LedOn : w_.LedOff);
      shownLed_[i] = led;
      ++widgetWrites_;
    }
    const int enabled = latest_.SwitchEnabled[i] ? 1 : 0;
    if (shownSwitchEnabled_[i] != enabled) {
      w_.GInBtn[i]->setEnabled(enabled != 0);
      shownSwitchEnabled_[i] = enabled;
      ++widgetWrites_;
    }
    const int up = latest_.SwitchUp[i] ? 1 : 0;
    if (shownSwitchUp_[i] != up) {
      w_.GInBtn[i]->setPixmap(up ? w_.SwitchUp : w_.SwitchDown);
      w_.GInBtn[i]->setProperty("Tag", up ? QStringLiteral("1") : QStringLiteral("0"));
      shownSwitchUp_[i] = up;
      ++widgetWrites_;
    }
  }
}

void PanelDisplay::SetText(QLineEdit* box, const std::string& text, std::string& shown) {
  if (shown == text) return;
  const QSignalBlocker quiet(box);
  box->setText(QString::fromStdString(text));
  shown = text;
  ++widgetWrites_;
}

void PanelDisplay::SetText(QLabel* label, const std::string& text, std::string& shown) {
  if (shown == text) return;
  label->setText(QString::fromStdString(text));
  shown = text;
  ++widgetWrites_;
}

std::string PanelDisplay::WordBoxText(int index) const {
  if (index < 0 || index > 7) return {};
  if (edited_[index]) return w_.WBox[index]->text().toStdString();
  return latest_.WordText[index];
}

bool PanelDisplay::AnyBoxEdited() const {
  for (const bool edited : edited_) {
    if (edited) return true;
  }
  return false;
}

}  // namespace qx9
