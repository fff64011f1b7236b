#pragma once
// The panel's side of the run's history: going back a step, running backwards, jumping to any point,
// and saving and loading the machine's state. Every move first stops a run under way, as the panel's
// Stop would, and leaves the panel showing the point reached. The workbench calls the same functions.

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/history.h"

class QAction;

namespace qx9 {

class Breakpoints;
class Form1;

class PanelHistory : public QObject {
  Q_OBJECT

 public:
  explicit PanelHistory(Form1& panel);

  // The program just loaded stands before its first instruction: the history starts here, and the
  // image is kept as the one state files belong to.
  void ProgramStarted();

  uint64_t StepBack();
  // Back to the previous point where the stops (when given) would have stopped a forward run, or to the
  // start of the history.
  uint64_t ReverseRun();
  uint64_t GoTo(uint64_t point);
  // The stops reverse runs are judged by; the panel alone has none (the workbench sets its own).
  void SetStops(const Breakpoints* stops) { stops_ = stops; }

  // Ask for a file, then save or load; a cancelled dialog does nothing. False when nothing was saved or
  // loaded (the reason has been shown in a message box).
  bool SaveState();
  bool LoadState();
  bool SaveStateTo(const QString& path);
  bool LoadStateFrom(const QString& path);

  // The file dialogs: a path or nullopt for Cancel. Tests answer them instead of a modal dialog.
  std::function<std::optional<QString>(bool save)> AskStatePath;
  // Told after every move or load, whoever asked for it (the workbench redraws).
  std::function<void()> OnMoved;

  QAction* saveAction() const { return saveAction_; }
  QAction* loadAction() const { return loadAction_; }

 private:
  void StopRun();
  uint64_t Moved(uint64_t point);
  std::optional<QString> AskWithDialog(bool save);

  Form1& panel_;
  const Breakpoints* stops_ = nullptr;
  std::array<uint8_t, kImageSize> image_{};
  QAction* saveAction_ = nullptr;
  QAction* loadAction_ = nullptr;
};

}  // namespace qx9
