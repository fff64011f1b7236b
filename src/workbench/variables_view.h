#pragma once
// The variables view: a table of the rows of variable_rows.h, with what changed since the last stop
// highlighted. Editing a word's hex value types it into the panel's box for that word.

#include <QTableWidget>
#include <functional>
#include <map>
#include <vector>

#include "workbench/variable_rows.h"

namespace qx9 {

class VariablesView : public QTableWidget {
  Q_OBJECT

 public:
  explicit VariablesView(QWidget* parent = nullptr);

  // Shows `rows`, marking every row whose texts differ from `baseline` (or that it lacks).
  void Show(const std::vector<VariableRow>& rows, const std::vector<VariableRow>& baseline);
  // The names of the rows marked as changed, in order.
  QStringList ChangedNames() const;
  // The row of a name, or -1.
  int RowOf(const QString& name) const;

  // Called with the word index (0..7) and the typed text when the user edits a word.
  std::function<void(int word, const QString& text)> OnWordEdited;

 private:
  void Edited(QTableWidgetItem* item);

  std::vector<VariableRow> shown_;
  bool filling_ = false;
};

}  // namespace qx9
