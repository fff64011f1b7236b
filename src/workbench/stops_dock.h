#pragma once
// The list of what stops a run: line breakpoints, If conditions and watchpoints, with a box to type a
// condition or a watch. A bad entry is refused right there, with the reason under the box.

#include <QWidget>
#include <functional>

#include "core/breakpoints.h"
#include "workbench/program_text.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace qx9 {

class StopsDock : public QWidget {
  Q_OBJECT

 public:
  StopsDock(Breakpoints& breakpoints, const Machine& machine, QWidget* parent = nullptr);

  // Rewrites the list from the breakpoints (with the program's lines for the addresses).
  void Refresh(const ProgramText& program);

  // The typed text as a condition / a watch; false (text kept, reason shown) when it is refused.
  bool AddCondition();
  bool AddWatch();
  void RemoveSelected();

  QLineEdit* entry() const { return entry_; }
  QLabel* error() const { return error_; }
  QListWidget* list() const { return list_; }

  // Called after every change, so the owner can save and redraw.
  std::function<void()> OnChanged;

 private:
  void Changed();
  bool Added(bool ok, const std::string& error);

  Breakpoints& breakpoints_;
  const Machine& machine_;
  QLineEdit* entry_;
  QLabel* error_;
  QListWidget* list_;
};

}  // namespace qx9
