#include "panel/panel_history.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

#include "core/reverse_run.h"
#include "core/state_file.h"
#include "panel/form1.h"
#include "panel/panel_menu.h"

namespace qx9 {

namespace {
const QString kStateFilter = QStringLiteral("QX9 state files (*.qx9state);;All files (*)");
}

PanelHistory::PanelHistory(Form1& panel) : QObject(&panel), panel_(panel) {
  setObjectName(QStringLiteral("PanelHistory"));
  AskStatePath = [this](bool save) { return AskWithDialog(save); };
  saveAction_ = PanelMenu::Of(panel).AddAction(tr("Save State…"), QKeySequence());
  saveAction_->setObjectName(QStringLiteral("SaveStateAction"));
  connect(saveAction_, &QAction::triggered, this, [this] { SaveState(); });
  loadAction_ = PanelMenu::Of(panel).AddAction(tr("Load State…"), QKeySequence());
  loadAction_->setObjectName(QStringLiteral("LoadStateAction"));
  connect(loadAction_, &QAction::triggered, this, [this] { LoadState(); });
}

void PanelHistory::ProgramStarted() {
  Machine& machine = panel_.machine();
  // Nothing has run yet, so the image is still the file's.
  for (int i = 0; i < kImageSize; ++i) image_[i] = static_cast<uint8_t>(machine.Eeprom[i]);
  panel_.history().Attach(machine, machine.LastPWM);
}

// Going back under a running timer would let its next tick run on from the restored point.
void PanelHistory::StopRun() {
  if (panel_.TimerEnabled()) panel_.RunBtn_Click();
}

uint64_t PanelHistory::Moved(uint64_t point) {
  panel_.SetLastPWM(panel_.history().LastPwm());
  panel_.FlushPanel();
  if (OnMoved) OnMoved();
  return point;
}

uint64_t PanelHistory::StepBack() {
  StopRun();
  return Moved(panel_.history().StepBack());
}

uint64_t PanelHistory::ReverseRun() {
  StopRun();
  History& history = panel_.history();
  if (stops_ == nullptr) return Moved(history.GoTo(history.FirstPoint()));
  return Moved(RunBackToStop(history, *stops_));
}

uint64_t PanelHistory::GoTo(uint64_t point) {
  StopRun();
  return Moved(panel_.history().GoTo(point));
}

std::optional<QString> PanelHistory::AskWithDialog(bool save) {
  const QString title = save ? tr("Save State") : tr("Load State");
  const QString folder = QFileInfo(panel_.loadedFile()).absolutePath();
  QString path = save ? QFileDialog::getSaveFileName(&panel_, title, folder, kStateFilter)
                      : QFileDialog::getOpenFileName(&panel_, title, folder, kStateFilter);
  if (path.isEmpty()) return std::nullopt;
  // A name typed without an extension gets the state files' own, so the dialog finds it again.
  if (save && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".qx9state");
  return path;
}

bool PanelHistory::SaveState() {
  StopRun();
  const std::optional<QString> path = AskStatePath(true);
  return path && SaveStateTo(*path);
}

// A run goes on behind the dialog; it stops only when a state is actually loaded.
bool PanelHistory::LoadState() {
  const std::optional<QString> path = AskStatePath(false);
  return path && LoadStateFrom(*path);
}

bool PanelHistory::SaveStateTo(const QString& path) {
  StopRun();
  panel_.FlushPanel();
  const auto* box = panel_.findChild<QLineEdit*>(QStringLiteral("LastPWM"));
  const std::string lastPwm = box != nullptr ? box->text().toStdString() : std::string();
  const SavedMachine saved = CaptureMachine(panel_.machine(), image_, lastPwm);
  const std::string error = SaveStateFile(QFile::encodeName(path).toStdString(), saved);
  if (error.empty()) return true;
  panel_.MessageBox(error);
  return false;
}

bool PanelHistory::LoadStateFrom(const QString& path) {
  SavedMachine saved;
  std::string error = LoadStateFile(QFile::encodeName(path).toStdString(), saved);
  if (error.empty() && ImageHash(saved.Image) != ImageHash(image_)) {
    error = QFileInfo(path).fileName().toStdString() + " was saved from another program than the one loaded";
  }
  if (!error.empty()) {
    panel_.MessageBox(error);
    return false;
  }
  StopRun();
  Machine& machine = panel_.machine();
  RestoreMachine(machine, saved);
  machine.InstrText = machine.PeekNext().Text;
  machine.OperandText.clear();
  panel_.ShowState(machine.InstrText);
  panel_.SetLastPWM(saved.LastPwm);
  // What was recorded belongs to the run before: the history and the signals start again here.
  panel_.history().Restart(saved.LastPwm);
  panel_.recorder().Restart(machine);
  Moved(machine.InstructionsExecuted);
  return true;
}

}  // namespace qx9
