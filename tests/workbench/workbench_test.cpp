// The workbench on the panel's machine: the program view follows the machine, breakpoints and run to
// cursor stop free runs where they should, watches and conditions stop them, and bad input is refused.
#include <QAction>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

#include "panel/panel_menu.h"
#include "workbench/launcher.h"
#include "workbench/stops_dock.h"
#include "workbench/variables_view.h"
#include "workbench_rig.h"

namespace qx9::test {

class WorkbenchTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  void highlightFollowsStep() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.loop));
    rig.bench->Step();
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.mark));
    rig.form->Step_Click();  // the panel's own Step: the workbench follows at its next redraw
    rig.bench->DisplayTick();
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.jump));
    QCOMPARE(rig.m().Ram[2], 3);
  }

  void breakpointStopsAFreeRunAtItsLine() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    rig.view().ClickMargin(rig.LineOf(p.jump));
    QVERIFY(rig.bench->breakpoints().Has(p.jump));
    rig.bench->RunStop();
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
    rig.RunFor(20);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QCOMPARE(rig.m().LinearAddress(), p.jump);
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.jump));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("breakpoint @")));
  }

  void marginClickOnALineWithoutAnInstructionDoesNothing() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    rig.view().ClickMargin(0);  // the listing's header comment
    rig.view().ClickMargin(9999);
    QVERIFY(rig.bench->breakpoints().Addresses().empty());
  }

  void f9TogglesTheCursorsLine() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    rig.view().MoveCursorToLine(rig.LineOf(p.mark));
    rig.bench->ToggleBreakpointAtCursor();
    QVERIFY(rig.bench->breakpoints().Has(p.mark));
    rig.bench->ToggleBreakpointAtCursor();
    QVERIFY(!rig.bench->breakpoints().Has(p.mark));
  }

  void runToCursorStopsThereOnce() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    rig.view().MoveCursorToLine(rig.LineOf(p.jump));
    rig.bench->RunToCursor();
    rig.RunFor(20);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.jump));
    QVERIFY(!rig.bench->breakpoints().RunTo().has_value());
  }

  void runToCursorOnALineWithoutAnInstructionSaysSo() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    rig.view().MoveCursorToLine(0);
    rig.bench->RunToCursor();
    QVERIFY(!rig.timer().isEnabled());
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("no instruction")));
  }

  void watchOnW2StopsRightAfterItChanges() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    rig.bench->stopsDock().entry()->setText(QStringLiteral("w2"));
    QVERIFY(rig.bench->stopsDock().AddWatch());
    QCOMPARE(rig.bench->stopsDock().list()->item(0)->text(), QStringLiteral("Watch W2"));
    rig.bench->RunStop();
    rig.RunFor(20);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.m().Ram[2], 3);
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.jump));
    QCOMPARE(rig.bench->statusText(), QStringLiteral("Stopped: W2 changed: 0 -> 3"));
  }

  void badConditionIsRefusedWhereItWasTyped() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    StopsDock& dock = rig.bench->stopsDock();
    dock.entry()->setText(QStringLiteral("W0 >> 3"));
    QVERIFY(!dock.AddCondition());
    QCOMPARE(dock.entry()->text(), QStringLiteral("W0 >> 3"));
    QVERIFY(dock.error()->text().contains(QStringLiteral("'>>' is none")));
    QCOMPARE(dock.list()->count(), 0);
    dock.entry()->setText(QStringLiteral("Image 300"));
    QVERIFY(!dock.AddWatch());
    QVERIFY(dock.error()->text().contains(QStringLiteral("0..255")));
    QVERIFY(rig.bench->breakpoints().Conditions().empty());
    QVERIFY(rig.bench->breakpoints().Watches().empty());
  }

  void stopsAreKeptPerProgram() {
    LoopProgram p;
    ProgramBuilder other;
    other.High(C(1)).Goto(19);
    {
      WorkbenchRig rig;
      rig.Show(p.b);
      rig.view().ClickMargin(rig.LineOf(p.mark));
      rig.bench->stopsDock().entry()->setText(QStringLiteral("B0 = 7"));
      QVERIFY(rig.bench->stopsDock().AddCondition());
    }
    {
      WorkbenchRig rig;
      rig.Show(other);
      QVERIFY(rig.bench->breakpoints().Addresses().empty());
      QVERIFY(rig.bench->breakpoints().Conditions().empty());
    }
    WorkbenchRig rig;
    rig.Show(p.b);
    QVERIFY(rig.bench->breakpoints().Has(p.mark));
    QCOMPARE(rig.bench->breakpoints().Conditions().size(), size_t{1});
    QCOMPARE(rig.bench->breakpoints().Conditions()[0].Text, std::string("B0 = 7"));
  }

  void sourceBesideTheFileIsShownWhenItAssemblesToTheSameBytes() {
    WorkbenchRig rig;
    QVERIFY(rig.bench->LoadProgram(QStringLiteral(EXAMPLES_DIR "/COUNTER.OBJ")));
    const ProgramText& text = rig.view().program();
    QVERIFY(text.FromSource);
    QCOMPARE(text.Lines[0], std::string("; COUNTER: a counter with For/Next."));
    QVERIFY(rig.bench->windowTitle().startsWith(QStringLiteral("QX9 Workbench")));
    // The For's body line holds the instruction the listing puts at 03D.
    const int body = text.LineOf(0x3D);
    QVERIFY(body >= 0);
    QVERIFY(QString::fromStdString(text.Lines[static_cast<size_t>(body)]).contains(QStringLiteral("Let Pins = B0")));
  }

  void sourceThatDiffersFallsBackToTheListing() {
    WorkbenchRig rig;
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(EXAMPLES_DIR "/COUNTER.OBJ"), dir.filePath(QStringLiteral("C.OBJ"))));
    QFile source(dir.filePath(QStringLiteral("C.bas")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write("        High 1\n");
    source.close();
    QVERIFY(rig.bench->LoadProgram(dir.filePath(QStringLiteral("C.OBJ"))));
    QVERIFY(!rig.view().program().FromSource);
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("other bytes")));
    QVERIFY(rig.view().program().LineOf(0x3D) >= 0);
  }

  void unreadableFileIsReportedAndChangesNothing() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    QVERIFY(!rig.bench->LoadProgram(QStringLiteral("/nonexistent/X.OBJ")));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("Cannot show X.OBJ")));
    QVERIFY(rig.LineOf(p.mark) >= 0);
  }

  void speedReachedIsShown() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.bench->setClock([&rig] { return rig.ns; });
    rig.Show(p.b);
    rig.bench->SetSpeed(PacedTimer::Speed::RealTime, 10);
    rig.bench->RunStop();
    rig.RunFor(1000);
    QString digits = rig.bench->speedText();
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    QCOMPARE(digits, QStringLiteral("1000"));
    rig.bench->SetSpeed(PacedTimer::Speed::SlowMotion, 20);
    QCOMPARE(rig.timer().speed(), PacedTimer::Speed::SlowMotion);
    QCOMPARE(rig.timer().slowRate(), 20);
    rig.RunFor(1000);
    digits = rig.bench->speedText();
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    QCOMPARE(digits, QStringLiteral("20"));
  }

  void closingTheWorkbenchLeavesThePanelAsDesigned() {
    WorkbenchRig rig;
    LoopProgram p;
    rig.Show(p.b);
    rig.view().ClickMargin(rig.LineOf(p.mark));
    rig.bench->SetSpeed(PacedTimer::Speed::Fastest, 10);
    rig.bench->close();
    QCOMPARE(rig.timer().speed(), PacedTimer::Speed::RealTime);
    rig.form->RunBtn_Click();
    rig.Advance(20);
    QVERIFY(rig.timer().isEnabled());  // the breakpoint no longer stops the panel's run
  }

  // Ctrl+D works wherever the focus is on the panel, in a word box too (which would take it as Delete).
  void ctrlDOpensTheWorkbenchFromAWordBox() {
    PanelRig rig;
    LoopProgram p;
    rig.Load(p.b);
    WorkbenchLauncher launcher(*rig.form);
    QVERIFY(rig.Activate());
    rig.WBox(0)->setFocus();
    rig.WBox(0)->setText(QStringLiteral("0012"));
    rig.WBox(0)->setCursorPosition(0);
    QTest::keyClick(rig.WBox(0), Qt::Key_D, Qt::ControlModifier);
    QVERIFY(launcher.workbench() != nullptr);
    QVERIFY(launcher.workbench()->isVisible());
    QCOMPARE(rig.WBox(0)->text(), QStringLiteral("0012"));
  }

  void sizeAndDocksAreRememberedBetweenRuns() {
    {
      WorkbenchRig rig;
      rig.bench->show();
      rig.bench->resize(1000, 720);
      rig.bench->findChild<QDockWidget*>(QStringLiteral("BreakpointsDock"))->hide();
      rig.bench->close();
    }
    WorkbenchRig rig;
    QCOMPARE(rig.bench->size(), QSize(1000, 720));
    QVERIFY(rig.bench->findChild<QDockWidget*>(QStringLiteral("BreakpointsDock"))->isHidden());
    QVERIFY(!rig.bench->findChild<QDockWidget*>(QStringLiteral("VariablesDock"))->isHidden());
  }

  void panelMenuOpensTheWorkbench() {
    PanelRig rig;
    LoopProgram p;
    rig.Load(p.b);
    const QSize before = rig.form->size();
    WorkbenchLauncher launcher(*rig.form);
    QCOMPARE(rig.form->size(), before);
    // The menu holds other features' actions too (the state files'); the workbench's is there once.
    QList<QAction*> actions;
    for (QAction* action : PanelMenu::Of(*rig.form).menu().actions()) {
      if (action->objectName() == QStringLiteral("OpenWorkbench")) actions << action;
    }
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions[0]->text(), QStringLiteral("Workbench\u2026"));
    QCOMPARE(actions[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    QVERIFY(rig.form->actions().contains(actions[0]));
    // A right click on a label of the panel reaches the panel and opens the menu.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), rig.BVar(0)->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(rig.BVar(0), &click);
    QVERIFY(PanelMenu::Of(*rig.form).menu().isVisible());
    PanelMenu::Of(*rig.form).menu().close();
    actions[0]->trigger();
    QVERIFY(launcher.workbench() != nullptr);
    QVERIFY(launcher.workbench()->isVisible());
    QVERIFY(launcher.workbench()->windowTitle().startsWith(QStringLiteral("QX9 Workbench")));
    Workbench* first = launcher.workbench();
    actions[0]->trigger();  // a second time brings the same window forward
    QCOMPARE(launcher.workbench(), first);
    rig.form->close();
    QVERIFY(!launcher.workbench()->isVisible());
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::WorkbenchTest)
#include "workbench_test.moc"
