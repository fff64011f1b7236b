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
  // Called with a name who-wrote knows when the user asks who last changed a row's value.
  std::function<void(const QString& name)> OnWhoWrote;
  // The name who-wrote is asked about for a row (the bits of W0 are W0), or empty when the row is no
  // variable, pin or image byte (the Gosub stack, LastPWM).
  QString WhoWroteName(int row) const;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Edited(QTableWidgetItem* item);

  std::vector<VariableRow> shown_;
  bool filling_ = false;
};

}  // namespace qx9
