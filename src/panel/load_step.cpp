// The load step of Form1: from the splash to the first instruction shown.
#include <QFile>

#include "panel/form1.h"
#include "panel/panel_history.h"

namespace qx9 {

bool Form1::Form_Load(const std::optional<QString>& file) {
  dialogs_->ShowSplash();
  ColourLabels();
  show();
  // A file named on the command line is tried first; after it, or when it cannot be loaded, the
  // dialog asks until a file loads or the user cancels.
  std::optional<QString> path = file;
  for (;;) {
    if (!path) path = dialogs_->OpenObjectFile(this);
    if (!path) return false;
    if (!path->isEmpty() && machine_.LoadObjectFile(QFile::encodeName(*path).toStdString())) {
      RememberObjectFile(*path);
      break;
    }
    MessageBox("File Error!");
    path.reset();
  }
  loadedFile_ = *path;
  machine_.StartProgram();
  // Both record from the first instruction shown on; a loaded program has no past.
  panelHistory_->ProgramStarted();
  recorder_.Restart(machine_);
  machine_.AddListener(recorder_);
  // The file dialog or a "File Error!" box had the keyboard last.
  TakeBackFocus();
  return true;
}

}  // namespace qx9
