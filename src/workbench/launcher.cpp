#include "workbench/launcher.h"

#include <QAction>
#include <QEvent>

#include "panel/form1.h"
#include "panel/panel_menu.h"
#include "workbench/workbench.h"

namespace qx9 {

WorkbenchLauncher::WorkbenchLauncher(Form1& panel) : panel_(panel) {
  QAction* open = PanelMenu::Of(panel).AddAction(tr("Workbench\u2026"), QKeySequence(Qt::CTRL | Qt::Key_D));
  open->setObjectName(QStringLiteral("OpenWorkbench"));
  connect(open, &QAction::triggered, this, [this] { Open(); });
  panel.installEventFilter(this);
}

WorkbenchLauncher::~WorkbenchLauncher() { panel_.removeEventFilter(this); }

Workbench& WorkbenchLauncher::Open() {
  if (!workbench_) {
    workbench_ = std::make_unique<Workbench>(panel_);
    if (!panel_.loadedFile().isEmpty()) workbench_->LoadProgram(panel_.loadedFile());
  }
  workbench_->show();
  workbench_->raise();
  workbench_->activateWindow();
  return *workbench_;
}

bool WorkbenchLauncher::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &panel_ && event->type() == QEvent::Close && workbench_) workbench_->close();
  return false;
}

}  // namespace qx9
