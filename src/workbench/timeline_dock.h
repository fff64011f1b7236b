#pragma once
// The timeline dock: the view with its zoom buttons, a scroll bar to pan, and a line that reads the
// cursor's time and instruction number. A click on the traces takes the history back (or forward) to
// the instruction executed at that time, and the panel and the workbench then show that point.

#include <QWidget>
#include <functional>

#include "panel/form1.h"

class QCheckBox;
class QLabel;
class QScrollArea;
class QScrollBar;

namespace qx9 {

class TimelineView;

class TimelineDock : public QWidget {
  Q_OBJECT

 public:
  explicit TimelineDock(Form1& panel, QWidget* parent = nullptr);

  // At the display rate: the view follows the run and redraws if something was recorded.
  void Refresh();
  // Goes to the instruction executed at a time, as a click there does; returns the point reached.
  uint64_t JumpTo(int64_t timeUs);

  TimelineView& view() { return *view_; }
  QScrollBar& scrollBar() { return *scroll_; }
  QString cursorText() const;
  // Tall enough for every row, with the bar above them and the scroll bar below.
  QSize sizeHint() const override;

  // Called after a jump, so the workbench shows the point reached.
  std::function<void()> OnJumped;

 private:
  void ViewChanged();
  void Scrolled(int value);
  int64_t ScrollUnitUs() const;

  Form1& panel_;
  TimelineView* view_;
  QScrollArea* rows_;
  QScrollBar* scroll_;
  QLabel* cursor_;
  QCheckBox* follow_;
  bool syncing_ = false;
};

}  // namespace qx9
