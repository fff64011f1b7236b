#pragma once
// The program view: the program's lines, read only, with a margin of addresses and breakpoint marks.
// A click in the margin toggles the breakpoint of a line (F9 is the window's action); the next
// instruction's line is highlighted and kept in sight.

#include <QPlainTextEdit>
#include <functional>
#include <set>

#include "workbench/program_text.h"

namespace qx9 {

class ProgramView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit ProgramView(QWidget* parent = nullptr);

  void SetProgram(ProgramText text);
  const ProgramText& program() const { return program_; }

  // Highlights the line of the instruction at `address` (none when no line holds it) and scrolls to it.
  void ShowNext(int address);
  int highlightedLine() const { return highlightedLine_; }

  // The breakpoint addresses to mark; the view asks for toggles through the handler.
  void SetBreakpoints(const std::set<int>& addresses);
  std::function<void(int address)> OnToggle;

  // The instruction address of the cursor's line, or -1 (for F9 and run to cursor).
  int CursorAddress() const;
  void MoveCursorToLine(int line);
  // As a click in the margin of `line` does.
  void ClickMargin(int line);

  int MarginWidth() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class ProgramMargin;
  void PaintMargin(QPaintEvent* event);
  void MarginPressed(int y);

  QWidget* margin_;
  ProgramText program_;
  std::set<int> breakpoints_;
  int highlightedLine_ = -1;
};

}  // namespace qx9
