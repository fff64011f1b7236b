#pragma once
// The workbench's history toolbar: Step Back, Reverse Run, a slider over the executed-instruction numbers
// kept, "who wrote" for any variable, pin, direction or image byte, and saving and loading the state.
// Every move goes through the panel's history, so both windows show the point reached.

#include <QToolBar>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QSlider;

namespace qx9 {

class History;
class PanelHistory;
class ProgramView;

class HistoryBar : public QToolBar {
  Q_OBJECT

 public:
  HistoryBar(PanelHistory& panelHistory, History& history, ProgramView& program, QWidget* parent = nullptr);

  // Brings the slider and the point's label up to the history (at every redraw, so also during a run).
  void Follow();
  // Who last changed NAME (W3, Pin5, Dir2, Bit4, Port, Image 40, eeprom[40]): the answer goes to the
  // status and the machine goes to the point right after that instruction, its line highlighted.
  // False when the name is none of those or nothing changed it.
  bool WhoWrote(const QString& name);

  QSlider* slider() const { return slider_; }
  QLabel* pointText() const { return pointText_; }
  QLineEdit* whoWroteBox() const { return whoWroteBox_; }

  // The status line's text for each answer or refusal.
  std::function<void(const QString&)> OnStatus;

 private:
  void SliderMoved(int value);
  void Status(const QString& text);
  QString Where(int address) const;

  PanelHistory& panelHistory_;
  History& history_;
  ProgramView& program_;
  QSlider* slider_;
  QLabel* pointText_;
  QLineEdit* whoWroteBox_;
  bool following_ = false;  // the slider is being set from the history, not by the user
};

}  // namespace qx9
