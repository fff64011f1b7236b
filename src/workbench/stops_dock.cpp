#include "workbench/stops_dock.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qx9 {

namespace {
// What a list entry stands for, kept in its data so Remove knows what to take away.
enum Kind { kLine = 1, kCondition, kWatch };
constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
}  // namespace

StopsDock::StopsDock(Breakpoints& breakpoints, const Machine& machine, QWidget* parent)
    : QWidget(parent),
      breakpoints_(breakpoints),
      machine_(machine),
      entry_(new QLineEdit(this)),
      error_(new QLabel(this)),
      list_(new QListWidget(this)) {
  setObjectName(QStringLiteral("StopsDock"));
  entry_->setObjectName(QStringLiteral("StopEntry"));
  entry_->setPlaceholderText(tr("W0 > 100, Pin3 = 1, B2 <> B3  or  W2, Image 40"));
  error_->setObjectName(QStringLiteral("StopError"));
  error_->setWordWrap(true);
  error_->setStyleSheet(QStringLiteral("color: #b00000"));
  list_->setObjectName(QStringLiteral("StopList"));
  auto* addIf = new QPushButton(tr("Add If"), this);
  addIf->setObjectName(QStringLiteral("AddCondition"));
  addIf->setToolTip(tr("Stop when the condition holds"));
  auto* addWatch = new QPushButton(tr("Add Watch"), this);
  addWatch->setObjectName(QStringLiteral("AddWatch"));
  addWatch->setToolTip(tr("Stop when the variable, pin or image byte changes"));
  auto* remove = new QPushButton(tr("Remove"), this);
  remove->setObjectName(QStringLiteral("RemoveStop"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(addIf);
  buttons->addWidget(addWatch);
  buttons->addStretch();
  buttons->addWidget(remove);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(entry_);
  layout->addLayout(buttons);
  layout->addWidget(error_);
  layout->addWidget(list_, 1);

  connect(addIf, &QPushButton::clicked, this, &StopsDock::AddCondition);
  connect(entry_, &QLineEdit::returnPressed, this, &StopsDock::AddCondition);
  connect(addWatch, &QPushButton::clicked, this, &StopsDock::AddWatch);
  connect(remove, &QPushButton::clicked, this, &StopsDock::RemoveSelected);
  connect(entry_, &QLineEdit::textEdited, error_, &QLabel::clear);
}

bool StopsDock::AddCondition() {
  std::string error;
  return Added(breakpoints_.AddCondition(entry_->text().toStdString(), error), error);
}

bool StopsDock::AddWatch() {
  std::string error;
  return Added(breakpoints_.AddWatch(entry_->text().toStdString(), machine_, error), error);
}

// A refused entry stays in the box with the reason beside it, so the user can mend it.
bool StopsDock::Added(bool ok, const std::string& error) {
  if (!ok) {
    error_->setText(tr("Not added: %1").arg(QString::fromStdString(error)));
    return false;
  }
  entry_->clear();
  error_->clear();
  Changed();
  return true;
}

void StopsDock::RemoveSelected() {
  QListWidgetItem* item = list_->currentItem();
  if (item == nullptr) return;
  const int index = item->data(kIndexRole).toInt();
  switch (item->data(kKindRole).toInt()) {
    case kLine: breakpoints_.Set(index, false); break;
    case kCondition: breakpoints_.RemoveCondition(static_cast<size_t>(index)); break;
    case kWatch: breakpoints_.RemoveWatch(static_cast<size_t>(index)); break;
    default: return;
  }
  Changed();
}

void StopsDock::Refresh(const ProgramText& program) {
  list_->clear();
  auto add = [this](const QString& text, int kind, int index) {
    auto* item = new QListWidgetItem(text, list_);
    item->setData(kKindRole, kind);
    item->setData(kIndexRole, index);
  };
  for (int address : breakpoints_.Addresses()) {
    QString text = QString::fromStdString(AddressText(address));
    const int line = program.LineOf(address);
    if (line >= 0) {
      // The statement without its comment: the list is narrow.
      QString statement = QString::fromStdString(program.Lines[static_cast<size_t>(line)]);
      statement = statement.left(statement.indexOf(QLatin1Char(';'))).trimmed();
      text += tr("  line %1: %2").arg(line + 1).arg(statement);
    }
    add(text, kLine, address);
  }
  const auto& conditions = breakpoints_.Conditions();
  for (size_t i = 0; i < conditions.size(); ++i) {
    add(tr("If %1").arg(QString::fromStdString(conditions[i].Text)), kCondition, static_cast<int>(i));
  }
  const auto& watches = breakpoints_.Watches();
  for (size_t i = 0; i < watches.size(); ++i) {
    add(tr("Watch %1").arg(QString::fromStdString(watches[i].Text)), kWatch, static_cast<int>(i));
  }
}

void StopsDock::Changed() {
  if (OnChanged) OnChanged();
}

}  // namespace qx9
