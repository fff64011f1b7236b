#pragma once
// The panel's rig with a workbench on its machine, settings in a temporary folder, and the loop program.

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "panel/panel_history.h"
#include "panel_rig.h"
#include "workbench/program_view.h"
#include "workbench/workbench.h"

namespace qx9::test {

// Points every QSettings of the process at a fresh temporary folder; call before any is made.
inline void PrivateSettings(const QTemporaryDir& dir) {
  QStandardPaths::setTestModeEnabled(true);
  QSettings::setDefaultFormat(QSettings::IniFormat);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
}

// Every test starts from no saved window and no saved breakpoints.
inline void ForgetSettings() { QSettings(QStringLiteral("qx9"), QStringLiteral("workbench")).clear(); }

// loop: Let W0=W0+1 / mark: Let W2=W2+3 / jump: Goto loop
struct LoopProgram {
  ProgramBuilder b;
  int mark = 0;
  LoopProgram() {
    b.Label("loop").Let(V("W0"), {{3, C(1)}});
    mark = b.Here();
    b.Let(V("W2"), {{3, C(3)}}).Goto("loop");
  }
};

struct WorkbenchRig : PanelRig {
  std::unique_ptr<Workbench> bench;

  WorkbenchRig() { bench = std::make_unique<Workbench>(*form); }

  // Loads the image into the panel and shows it in the workbench.
  void Show(const ProgramBuilder& program) {
    Load(program);
    bench->SetProgram(program.Build(), QString());
    bench->show();
  }
  ProgramView& view() { return bench->programView(); }
  int LineOf(int address) { return view().program().LineOf(address); }
  // Runs freely for ms of the rig's clock, then lets the workbench redraw as its display timer would.
  void RunFor(int ms) {
    Advance(ms);
    bench->DisplayTick();
  }
};

// The workbench showing the loop program; with history, recorded from the start as the load step does.
struct LoopBench : WorkbenchRig {
  LoopProgram p;
  explicit LoopBench(bool history = false) {
    Show(p.b);
    if (history) form->panelHistory().ProgramStarted();
  }
};

}  // namespace qx9::test
