// The workbench on the panel's machine: stops, the source beside a file, opening it, the variables.
#include <QAction>
#include <QFile>
#include <QMenu>

#include "panel/panel_menu.h"
#include "workbench/launcher.h"
#include "workbench/variables_view.h"
#include "workbench_rig.h"

namespace qx9::test {

class WorkbenchTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  // Breakpoints are saved with their program, and only it gets them back.
  void stopsAreKeptPerProgram() {
    {
      LoopBench rig;
      rig.view().ClickMargin(rig.LineOf(rig.p.mark));
    }
    {
      WorkbenchRig rig;
      rig.Show(ProgramBuilder().High(C(1)).Goto(19));
      QVERIFY(rig.bench->breakpoints().Addresses().empty());
    }
    LoopBench rig;
    QVERIFY(rig.bench->breakpoints().Has(rig.p.mark));
  }

  // The source beside a file if it assembles to the same bytes, else the listing; errors change nothing.
  void sourceBesideTheFile() {
    WorkbenchRig rig;
    QVERIFY(rig.bench->LoadProgram(QStringLiteral(EXAMPLES_DIR "/COUNTER.OBJ")));
    QVERIFY(rig.view().program().FromSource);
    // The For's body line holds the instruction the listing puts at 03D.
    const int body = rig.view().program().LineOf(0x3D);
    QVERIFY(body >= 0);
    QVERIFY(QString::fromStdString(rig.view().program().Lines.at(body)).contains(QStringLiteral("Let Pins = B0")));
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(EXAMPLES_DIR "/COUNTER.OBJ"), dir.filePath(QStringLiteral("C.OBJ"))));
    WriteFile(dir.filePath(QStringLiteral("C.bas")), "        High 1\n");
    QVERIFY(rig.bench->LoadProgram(dir.filePath(QStringLiteral("C.OBJ"))));
    QVERIFY(!rig.view().program().FromSource);
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("other bytes")));
    QVERIFY(!rig.bench->LoadProgram(QStringLiteral("/nonexistent/X.OBJ")));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("Cannot show X.OBJ")));
    QVERIFY(rig.view().program().LineOf(0x3D) >= 0);
  }

  // Ctrl+D opens it from a word box, not deleting; the menu finds the same window; the panel closes it.
  void ctrlDAndThePanelMenuOpenTheWorkbench() {
    PanelRig rig(LoopProgram().b);
    WorkbenchLauncher launcher(*rig.form);
    QVERIFY(rig.Activate());
    rig.WBox(0)->setFocus();
    rig.WBox(0)->setText(QStringLiteral("0012"));
    rig.WBox(0)->setCursorPosition(0);
    QTest::keyClick(rig.WBox(0), Qt::Key_D, Qt::ControlModifier);
    Workbench* first = launcher.workbench();
    QVERIFY(first != nullptr);
    QVERIFY(first->isVisible());
    QCOMPARE(rig.WBox(0)->text(), QStringLiteral("0012"));
    PanelMenu::Of(*rig.form).menu().findChild<QAction*>(QStringLiteral("OpenWorkbench"))->trigger();
    QCOMPARE(launcher.workbench(), first);
    rig.form->close();
    QVERIFY(!first->isVisible());
  }

  // The variables changed since the last stop are marked: by a step, or by a run to a breakpoint.
  void changesSinceTheLastStopAreMarked() {
    LoopBench rig;
    VariablesView& view = rig.bench->variablesView();
    rig.bench->Step();  // Let W0=W0+1
    QCOMPARE(view.ChangedNames(), (QStringList{"W0", "B0", "Bit15..Bit0"}));
    rig.view().ClickMargin(0);  // the listing's header comment: no instruction, no breakpoint
    rig.view().ClickMargin(9999);
    rig.view().ClickMargin(rig.LineOf(rig.p.mark));
    QCOMPARE(rig.bench->breakpoints().Addresses().size(), size_t{1});
    rig.bench->RunStop();
    rig.RunFor(20);
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("breakpoint @")));
    QCOMPARE(view.ChangedNames(), (QStringList{"W0", "W2", "B0", "B4", "Bit15..Bit0"}));
    // An edited word is taken at the next step, as if typed in its box.
    view.item(view.RowOf(QStringLiteral("W3")), 1)->setText(QStringLiteral("00ff"));
    rig.bench->Step();
    QCOMPARE(rig.m().Ram[3], 0xFF);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::WorkbenchTest)
#include "workbench_test.moc"
