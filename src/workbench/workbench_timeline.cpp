// The workbench's timeline: the dock below the program, and the export actions in a menu of their own.
#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "workbench/timeline_dock.h"
#include "workbench/timeline_exports.h"
#include "workbench/workbench.h"

namespace qx9 {

void Workbench::BuildTimeline() {
  timeline_ = new TimelineDock(panel_, this);
  // After a jump the workbench shows the point reached, as after any stop.
  timeline_->OnJumped = [this] { Stopped(); };
  auto* dock = new QDockWidget(tr("Timeline"), this);
  dock->setObjectName(QStringLiteral("TimelineDockWidget"));
  dock->setWidget(timeline_);
  // Under the program only: the variables and breakpoints beside them keep the window's full height.
  setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
  addDockWidget(Qt::BottomDockWidgetArea, dock);

  exports_ = std::make_unique<TimelineExports>(panel_, this);
  QMenu* menu = menuBar()->addMenu(tr("&Timeline"));
  auto add = [this, menu](const QString& text, const QString& name, trace::TimelineFormat format) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, format] {
      const QString message = exports_->Export(format);
      if (!message.isEmpty()) statusBar()->showMessage(message, 5000);
    });
  };
  add(tr("Export VCD…"), QStringLiteral("ExportVcdAction"), trace::TimelineFormat::Vcd);
  add(tr("Export WAV…"), QStringLiteral("ExportWavAction"), trace::TimelineFormat::Wav);
}

}  // namespace qx9
