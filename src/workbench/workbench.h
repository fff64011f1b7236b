#pragma once
// The workbench: a second window on the panel's machine, with the program, breakpoints, the variables
// and a choice of speed. Its buttons call the very functions the panel's buttons call; both windows show
// the same machine. A main window with docks, so more views can be docked beside these.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "core/breakpoints.h"
#include "panel/form1.h"
#include "workbench/program_text.h"
#include "workbench/variable_rows.h"

class QComboBox;
class QLabel;
class QSlider;
class QAction;

namespace qx9 {

class HistoryBar;
class ProgramView;
class StopsDock;
class TimelineDock;
class TimelineExports;
class VariablesView;

class Workbench : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kDisplayIntervalMs = 16;  // the display rate: about 60 redraws a second

  explicit Workbench(Form1& panel, QWidget* parent = nullptr);
  ~Workbench() override;

  // Shows the program of an object file (the source beside it when that assembles to the same bytes).
  // False (the view unchanged, the reason in the status bar) when the file cannot be read.
  bool LoadProgram(const QString& objectPath);
  // The same for an image from elsewhere; `sourcePath` may be empty.
  void SetProgram(const std::array<uint8_t, kImageSize>& image, const QString& sourcePath);

  // The toolbar's actions.
  void Step();
  void StepOver();
  void RunStop();
  void RunToCursor();
  void ToggleBreakpointAtCursor();
  void SetSpeed(PacedTimer::Speed speed, int slowRate);

  // One redraw at the display rate: follows the next line in a run, and marks a stop.
  void DisplayTick();

  // Nanoseconds of a monotonic clock, for the speed reached; tests substitute their own.
  void setClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

  ProgramView& programView() { return *program_; }
  VariablesView& variablesView() { return *variables_; }
  StopsDock& stopsDock() { return *stops_; }
  HistoryBar& historyBar() { return *historyBar_; }
  TimelineDock& timelineDock() { return *timeline_; }
  TimelineExports& timelineExports() { return *exports_; }
  Breakpoints& breakpoints() { return breakpoints_; }
  QString statusText() const;
  QString speedText() const;
  QByteArray programKey() const { return programKey_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Tells the workbench what happened on the machine, whoever pressed what.
  class Watcher : public MachineListener {
   public:
    explicit Watcher(Workbench& owner) : owner_(owner) {}
    void AfterInstruction(const Machine&) override { owner_.dirty_ = true; }
    void OnExternalChange(const Machine&) override { owner_.dirty_ = true; }
    void OnBreak(const Machine&) override { owner_.breakSeen_ = true; }

   private:
    Workbench& owner_;
  };

  void BuildActions();
  void BuildSpeedBar();
  void BuildDocks();
  void BuildTimeline();  // workbench_timeline.cpp
  // A stop: the next line highlighted, the variables marked against the previous stop.
  void Stopped();
  // During a run: the next line and the variables against the last stop, the baseline kept.
  void ShowLive();
  int NextAddress();
  std::vector<VariableRow> Rows();
  void BreakpointsChanged();
  void SaveStops() const;
  void LoadStops();
  void MeasureSpeed();
  void TypeWord(int word, const QString& text);
  void SpeedControlsChanged();
  // The machine was moved through its history or loaded from a file: watches start from its values.
  void HistoryMoved();

  Form1& panel_;
  Machine& machine_;
  Breakpoints breakpoints_;
  Watcher watcher_{*this};
  ProgramView* program_;
  VariablesView* variables_;
  StopsDock* stops_ = nullptr;
  HistoryBar* historyBar_ = nullptr;
  TimelineDock* timeline_ = nullptr;
  bool sizeTimeline_ = false;  // no dock layout was saved: the timeline takes its height when first shown
  std::unique_ptr<TimelineExports> exports_;
  QComboBox* speedMode_ = nullptr;
  QSlider* slowRate_ = nullptr;
  QLabel* slowRateText_ = nullptr;
  QLabel* speedReached_ = nullptr;
  QLabel* status_ = nullptr;
  QAction* runAction_ = nullptr;
  QTimer display_;

  ProgramText text_;
  std::array<uint8_t, kImageSize> fileImage_{};
  bool haveImage_ = false;
  QByteArray programKey_;
  std::vector<VariableRow> baseline_;
  bool wasRunning_ = false;
  quint64 shownCount_ = 0;             // InstructionsExecuted at the last live redraw
  std::array<int32_t, 8> shownRam_{};  // and the words then (a switch click changes them between instructions)
  bool dirty_ = false;
  bool breakSeen_ = false;

  std::function<qint64()> clock_;
  QElapsedTimer elapsed_;
  qint64 speedSinceNs_ = 0;
  quint64 speedSinceCount_ = 0;
  QString speedText_;
};

}  // namespace qx9
