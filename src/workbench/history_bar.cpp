#include "workbench/history_bar.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTextBlock>
#include <algorithm>
#include <climits>

#include "core/breakpoints.h"
#include "core/reverse_run.h"
#include "panel/panel_history.h"
#include "workbench/program_view.h"

namespace qx9 {

HistoryBar::HistoryBar(PanelHistory& panelHistory, History& history, ProgramView& program, QWidget* parent)
    : QToolBar(tr("History"), parent),
      panelHistory_(panelHistory),
      history_(history),
      program_(program),
      slider_(new QSlider(Qt::Horizontal, this)),
      pointText_(new QLabel(this)),
      whoWroteBox_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("HistoryBar"));
  auto add = [this](const QString& text, const QKeySequence& key, const QString& name, auto slot) {
    QAction* action = addAction(text);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    const QString keyText = key.toString(QKeySequence::NativeText);
    action->setToolTip(keyText.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, keyText));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  add(tr("Step Back"), QKeySequence(Qt::SHIFT | Qt::Key_F8), QStringLiteral("StepBackAction"),
      [this] { panelHistory_.StepBack(); });
  add(tr("Reverse Run"), QKeySequence(Qt::SHIFT | Qt::Key_F5), QStringLiteral("ReverseRunAction"),
      [this] { panelHistory_.ReverseRun(); });
  slider_->setObjectName(QStringLiteral("HistorySlider"));
  slider_->setFixedWidth(220);
  slider_->setToolTip(tr("Executed instructions kept: drag to go to any of them"));
  addWidget(slider_);
  pointText_->setObjectName(QStringLiteral("HistoryPoint"));
  const QFontMetrics metrics = pointText_->fontMetrics();
  pointText_->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral(" #00000000 of 00000000 ")));
  addWidget(pointText_);
  connect(slider_, &QSlider::valueChanged, this, &HistoryBar::SliderMoved);
  addSeparator();
  whoWroteBox_->setObjectName(QStringLiteral("WhoWroteBox"));
  whoWroteBox_->setPlaceholderText(tr("W3, Pin5, ..."));
  whoWroteBox_->setFixedWidth(metrics.horizontalAdvance(whoWroteBox_->placeholderText()) + 24);
  addWidget(whoWroteBox_);
  QAction* ask = add(tr("Who Wrote"), QKeySequence(), QStringLiteral("WhoWroteAction"),
                     [this] { WhoWrote(whoWroteBox_->text()); });
  ask->setToolTip(tr("The instruction that last changed the variable, pin or image byte typed left of it"));
  connect(whoWroteBox_, &QLineEdit::returnPressed, ask, &QAction::trigger);
  addSeparator();
  addAction(panelHistory_.saveAction());
  addAction(panelHistory_.loadAction());
  Follow();
}

void HistoryBar::Follow() {
  const uint64_t first = history_.FirstPoint();
  // A slider holds an int: its positions count from the oldest point kept.
  const auto span = static_cast<int>(std::min<uint64_t>(history_.LastPoint() - first, INT_MAX));
  const auto at = static_cast<int>(std::min<uint64_t>(history_.CurrentPoint() - first, INT_MAX));
  following_ = true;
  slider_->setRange(0, span);
  slider_->setValue(at);
  following_ = false;
  pointText_->setText(tr("#%1 of %2").arg(history_.CurrentPoint()).arg(history_.LastPoint()));
}

void HistoryBar::SliderMoved(int value) {
  if (following_) return;
  panelHistory_.GoTo(history_.FirstPoint() + static_cast<uint64_t>(std::max(value, 0)));
  Follow();
}

QString HistoryBar::Where(int address) const {
  const int line = program_.program().LineOf(address);
  const QString at = QString::fromStdString(AddressText(address));
  return line < 0 ? at : tr("%1, line %2").arg(at).arg(line + 1);
}

bool HistoryBar::WhoWrote(const QString& typed) {
  const QString name = typed.trimmed();
  const std::optional<HistoryTarget> target = WhoWroteTarget(name.toStdString());
  if (!target) {
    Status(tr("Who wrote '%1'? Name a variable, pin or direction (W0..W6, B0..B13, Bit0..Bit15, Port, Pins, "
              "Dirs, Pin0..Pin7, Dir0..Dir7) or an image byte (Image 0..255)")
               .arg(name));
    return false;
  }
  const std::optional<History::Write> write = history_.WhoWrote(*target);
  if (!write) {
    Status(tr("No instruction in the history kept changed %1").arg(name));
    return false;
  }
  panelHistory_.GoTo(write->Instruction);
  const int line = program_.program().LineOf(write->Address);
  if (line >= 0) {
    QTextCursor cursor(program_.document()->findBlockByNumber(line));
    cursor.select(QTextCursor::LineUnderCursor);
    program_.setTextCursor(cursor);
  }
  Status(tr("%1 was last changed by %2, instruction #%3; shown right after it")
             .arg(name, Where(write->Address))
             .arg(write->Instruction));
  return true;
}

void HistoryBar::Status(const QString& text) {
  if (OnStatus) OnStatus(text);
}

}  // namespace qx9
