#include "workbench/variables_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include "core/reverse_run.h"

namespace qx9 {

namespace {
const QColor kChanged(255, 214, 120);
constexpr int kChangedRole = Qt::UserRole + 1;
}  // namespace

VariablesView::VariablesView(QWidget* parent) : QTableWidget(0, 3, parent) {
  setObjectName(QStringLiteral("VariablesView"));
  setHorizontalHeaderLabels({tr("Variable"), tr("Value"), tr("Decimal")});
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setStretchLastSection(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  connect(this, &QTableWidget::itemChanged, this, &VariablesView::Edited);
}

void VariablesView::Show(const std::vector<VariableRow>& rows, const std::vector<VariableRow>& baseline) {
  std::map<std::string, const VariableRow*> before;
  for (const VariableRow& row : baseline) before[row.Name] = &row;
  filling_ = true;
  setRowCount(static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    const VariableRow& row = rows[i];
    const auto found = before.find(row.Name);
    const bool changed =
        found == before.end() || found->second->Value != row.Value || found->second->Decimal != row.Decimal;
    const QString texts[3] = {QString::fromStdString(row.Name), QString::fromStdString(row.Value),
                              QString::fromStdString(row.Decimal)};
    for (int column = 0; column < 3; ++column) {
      QTableWidgetItem* cell = item(static_cast<int>(i), column);
      if (cell == nullptr) {
        cell = new QTableWidgetItem;
        setItem(static_cast<int>(i), column, cell);
      }
      // Only what differs is set: every set repaints, and a run redraws this at the display rate.
      if (cell->text() != texts[column]) cell->setText(texts[column]);
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (column == 1 && row.WordIndex >= 0) flags |= Qt::ItemIsEditable;
      if (cell->flags() != flags) cell->setFlags(flags);
      if (cell->data(kChangedRole).toBool() != changed || !cell->data(kChangedRole).isValid()) {
        cell->setData(kChangedRole, changed);
        cell->setBackground(changed ? QBrush(kChanged) : QBrush());
      }
    }
  }
  shown_ = rows;
  filling_ = false;
}

QStringList VariablesView::ChangedNames() const {
  QStringList names;
  for (int r = 0; r < rowCount(); ++r) {
    if (item(r, 0)->data(kChangedRole).toBool()) names << item(r, 0)->text();
  }
  return names;
}

int VariablesView::RowOf(const QString& name) const {
  for (int r = 0; r < rowCount(); ++r) {
    if (item(r, 0)->text() == name) return r;
  }
  return -1;
}

QString VariablesView::WhoWroteName(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  QString name = item(row, 0)->text();
  if (name == QStringLiteral("Bit15..Bit0")) name = QStringLiteral("W0");
  // "Pins (7..0)" and "Dirs (7..0)" are the pins' and directions' bytes.
  const QString first = name.section(QLatin1Char(' '), 0, 0);
  if (first != QStringLiteral("Image")) name = first;
  return WhoWroteTarget(name.toStdString()) ? name : QString();
}

void VariablesView::contextMenuEvent(QContextMenuEvent* event) {
  const int row = rowAt(event->pos().y());
  const QString name = WhoWroteName(row);
  QMenu menu(this);
  QAction* ask = menu.addAction(name.isEmpty() ? tr("Who Wrote This?") : tr("Who Wrote %1?").arg(name));
  ask->setEnabled(!name.isEmpty() && OnWhoWrote != nullptr);
  if (menu.exec(event->globalPos()) == ask && ask->isEnabled()) OnWhoWrote(name);
}

void VariablesView::Edited(QTableWidgetItem* cell) {
  if (filling_ || cell->column() != 1) return;
  const size_t row = static_cast<size_t>(cell->row());
  if (row >= shown_.size() || shown_[row].WordIndex < 0) return;
  if (OnWordEdited) OnWordEdited(shown_[row].WordIndex, cell->text());
}

}  // namespace qx9
