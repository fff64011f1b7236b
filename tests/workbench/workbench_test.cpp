// The workbench on the panel's machine: the program view follows the machine, breakpoints, run to
// cursor, watches and conditions stop free runs, bad input is refused, and the variables view.
#include <QAction>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QFile>
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

  static QString Digits(QString text) { return text.remove(QRegularExpression(QStringLiteral("[^0-9]"))); }

  static QString Cell(VariablesView& view, const char* name, int column) {
    const int row = view.RowOf(QString::fromLatin1(name));
    if (row < 0) return QStringLiteral("<no row %1>").arg(QString::fromLatin1(name));
    return view.item(row, column)->text();
  }

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  // The highlight follows the workbench's Step, and the panel's at the next redraw.
  void highlightFollowsStep() {
    LoopBench rig;
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(rig.p.loop));
    rig.bench->Step();
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(rig.p.mark));
    rig.form->Step_Click();
    rig.bench->DisplayTick();
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(rig.p.jump));
  }

  void breakpointStopsAFreeRunAtItsLine() {
    LoopBench rig;
    rig.view().ClickMargin(0);  // the listing's header comment: no instruction, no breakpoint
    rig.view().ClickMargin(9999);
    rig.view().ClickMargin(rig.LineOf(rig.p.jump));
    QCOMPARE(rig.bench->breakpoints().Addresses().size(), size_t{1});
    QVERIFY(rig.bench->breakpoints().Has(rig.p.jump));
    rig.bench->RunStop();
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
    rig.RunFor(20);
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(rig.p.jump));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("breakpoint @")));
  }

  void f9TogglesTheCursorsLine() {
    LoopBench rig;
    rig.view().MoveCursorToLine(rig.LineOf(rig.p.mark));
    rig.bench->ToggleBreakpointAtCursor();
    QVERIFY(rig.bench->breakpoints().Has(rig.p.mark));
    rig.bench->ToggleBreakpointAtCursor();
    QVERIFY(!rig.bench->breakpoints().Has(rig.p.mark));
  }

  void runToCursorStopsThereOnce() {
    LoopBench rig;
    rig.view().MoveCursorToLine(rig.LineOf(rig.p.jump));
    rig.bench->RunToCursor();
    rig.RunFor(20);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(rig.p.jump));
    QVERIFY(!rig.bench->breakpoints().RunTo().has_value());
    rig.view().MoveCursorToLine(0);  // a line without an instruction: no run
    rig.bench->RunToCursor();
    QVERIFY(!rig.timer().isEnabled());
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("no instruction")));
  }

  void watchOnW2StopsRightAfterItChanges() {
    LoopBench rig;
    rig.bench->stopsDock().entry()->setText(QStringLiteral("w2"));
    QVERIFY(rig.bench->stopsDock().AddWatch());
    QCOMPARE(rig.bench->stopsDock().list()->item(0)->text(), QStringLiteral("Watch W2"));
    rig.bench->RunStop();
    rig.RunFor(20);
    QCOMPARE(rig.bench->statusText(), QStringLiteral("Stopped: W2 changed: 0 -> 3"));
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(rig.p.jump));
  }

  // A refused entry stays where it was typed, with the reason beside it.
  void badConditionIsRefusedWhereItWasTyped() {
    LoopBench rig;
    StopsDock& dock = rig.bench->stopsDock();
    dock.entry()->setText(QStringLiteral("W0 >> 3"));
    QVERIFY(!dock.AddCondition());
    QCOMPARE(dock.entry()->text(), QStringLiteral("W0 >> 3"));
    QVERIFY(dock.error()->text().contains(QStringLiteral("'>>' is none")));
    dock.entry()->setText(QStringLiteral("Image 300"));
    QVERIFY(!dock.AddWatch());
    QVERIFY(dock.error()->text().contains(QStringLiteral("0..255")));
    QCOMPARE(dock.list()->count(), 0);
    QVERIFY(rig.bench->breakpoints().Conditions().empty());
    QVERIFY(rig.bench->breakpoints().Watches().empty());
  }

  void stopsAreKeptPerProgram() {
    {
      LoopBench rig;
      rig.view().ClickMargin(rig.LineOf(rig.p.mark));
      rig.bench->stopsDock().entry()->setText(QStringLiteral("B0 = 7"));
      QVERIFY(rig.bench->stopsDock().AddCondition());
    }
    {
      WorkbenchRig rig;
      rig.Show(ProgramBuilder().High(C(1)).Goto(19));
      QVERIFY(rig.bench->breakpoints().Addresses().empty());
      QVERIFY(rig.bench->breakpoints().Conditions().empty());
    }
    LoopBench rig;
    QVERIFY(rig.bench->breakpoints().Has(rig.p.mark));
    QCOMPARE(rig.bench->breakpoints().Conditions().size(), size_t{1});
    QCOMPARE(rig.bench->breakpoints().Conditions()[0].Text, std::string("B0 = 7"));
  }

  void sourceBesideTheFileIsShownWhenItAssemblesToTheSameBytes() {
    WorkbenchRig rig;
    QVERIFY(rig.bench->LoadProgram(QStringLiteral(EXAMPLES_DIR "/COUNTER.OBJ")));
    const ProgramText& text = rig.view().program();
    QVERIFY(text.FromSource);
    QCOMPARE(text.Lines[0], std::string("; COUNTER: a counter with For/Next."));
    // The For's body line holds the instruction the listing puts at 03D.
    const int body = text.LineOf(0x3D);
    QVERIFY(body >= 0);
    QVERIFY(QString::fromStdString(text.Lines[static_cast<size_t>(body)]).contains(QStringLiteral("Let Pins = B0")));
  }

  void sourceThatDiffersFallsBackToTheListing() {
    WorkbenchRig rig;
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(EXAMPLES_DIR "/COUNTER.OBJ"), dir.filePath(QStringLiteral("C.OBJ"))));
    WriteFile(dir.filePath(QStringLiteral("C.bas")), "        High 1\n");
    QVERIFY(rig.bench->LoadProgram(dir.filePath(QStringLiteral("C.OBJ"))));
    QVERIFY(!rig.view().program().FromSource);
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("other bytes")));
    QVERIFY(rig.view().program().LineOf(0x3D) >= 0);
  }

  void unreadableFileIsReportedAndChangesNothing() {
    LoopBench rig;
    QVERIFY(!rig.bench->LoadProgram(QStringLiteral("/nonexistent/X.OBJ")));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("Cannot show X.OBJ")));
    QVERIFY(rig.LineOf(rig.p.mark) >= 0);
  }

  void speedReachedIsShown() {
    WorkbenchRig rig;
    rig.bench->setClock([&rig] { return rig.ns; });
    rig.Show(LoopProgram().b);
    rig.bench->SetSpeed(PacedTimer::Speed::RealTime, 10);
    rig.bench->RunStop();
    rig.RunFor(1000);
    QCOMPARE(Digits(rig.bench->speedText()), QStringLiteral("1000"));
    rig.bench->SetSpeed(PacedTimer::Speed::SlowMotion, 20);
    QCOMPARE(rig.timer().slowRate(), 20);
    rig.RunFor(1000);
    QCOMPARE(Digits(rig.bench->speedText()), QStringLiteral("20"));
  }

  // Closed, the workbench leaves the panel's speed and runs as they were, its breakpoints out.
  void closingTheWorkbenchLeavesThePanelAsDesigned() {
    LoopBench rig;
    rig.view().ClickMargin(rig.LineOf(rig.p.mark));
    rig.bench->SetSpeed(PacedTimer::Speed::Fastest, 10);
    rig.bench->close();
    QCOMPARE(rig.timer().speed(), PacedTimer::Speed::RealTime);
    rig.form->RunBtn_Click();
    rig.Advance(20);
    QVERIFY(rig.timer().isEnabled());
  }

  // Ctrl+D opens the workbench from a word box too, which would otherwise take it as Delete.
  void ctrlDOpensTheWorkbenchFromAWordBox() {
    PanelRig rig(LoopProgram().b);
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

  // The panel's right-click menu holds the workbench's action once and leaves the window's size alone;
  // a second trigger brings the same window forward, and closing the panel closes it.
  void panelMenuOpensTheWorkbench() {
    PanelRig rig(LoopProgram().b);
    const QSize before = rig.form->size();
    WorkbenchLauncher launcher(*rig.form);
    QCOMPARE(rig.form->size(), before);
    QList<QAction*> actions;
    for (QAction* action : PanelMenu::Of(*rig.form).menu().actions()) {
      if (action->objectName() == QStringLiteral("OpenWorkbench")) actions << action;
    }
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), rig.BVar(0)->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(rig.BVar(0), &click);
    QVERIFY(PanelMenu::Of(*rig.form).menu().isVisible());
    PanelMenu::Of(*rig.form).menu().close();
    actions[0]->trigger();
    Workbench* first = launcher.workbench();
    QVERIFY(first != nullptr);
    QVERIFY(first->isVisible());
    actions[0]->trigger();
    QCOMPARE(launcher.workbench(), first);
    rig.form->close();
    QVERIFY(!first->isVisible());
  }

  void changesSinceTheLastStopAreMarked() {
    LoopBench rig;
    VariablesView& view = rig.bench->variablesView();
    QCOMPARE(view.ChangedNames(), QStringList());
    rig.bench->Step();  // Let W0=W0+1
    QCOMPARE(view.ChangedNames(), (QStringList{"W0", "B0", "Bit15..Bit0"}));
    rig.bench->Step();  // Let W2=W2+3
    QCOMPARE(view.ChangedNames(), (QStringList{"W2", "B4"}));
    rig.bench->Step();  // Goto: nothing changes
    QCOMPARE(view.ChangedNames(), QStringList());
  }

  void aRunMarksEverythingSinceTheStopBeforeIt() {
    LoopBench rig;
    rig.view().ClickMargin(rig.LineOf(rig.p.jump));
    rig.bench->RunStop();
    rig.RunFor(20);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.bench->variablesView().ChangedNames(), (QStringList{"W0", "W2", "B0", "B4", "Bit15..Bit0"}));
  }

  void wordsShowHexAndSignedDecimal() {
    LoopBench rig;
    rig.WBox(0)->setText(QStringLiteral("FFFE"));
    rig.bench->Step();  // W0 = -2 + 1
    VariablesView& view = rig.bench->variablesView();
    QCOMPARE(Cell(view, "W0", 1), QStringLiteral("FFFF"));
    QCOMPARE(Cell(view, "W0", 2), QStringLiteral("-1"));
    QCOMPARE(Cell(view, "B1", 2), QStringLiteral("255"));
    QCOMPARE(Cell(view, "Bit15..Bit0", 1), QStringLiteral("1111 1111 1111 1111"));
  }

  void portPinsDirectionsStackImageAndLastPwm() {
    WorkbenchRig rig;
    ProgramBuilder b;
    b.Let(V("Dirs"), {{1, C(0x81)}}).High(C(0)).Write(C(5), V("W0")).Gosub("sub").End();
    b.Label("sub").Pwm(C(7), C(255), C(1)).Return();
    rig.Show(b);
    rig.WBox(0)->setText(QStringLiteral("0007"));
    for (int i = 0; i < 5; ++i) rig.bench->Step();
    VariablesView& view = rig.bench->variablesView();
    // PWM leaves its pin an input: of Dirs=129 only pin 0 stays an output.
    QCOMPARE(Cell(view, "Port", 1), QStringLiteral("0101"));
    QCOMPARE(Cell(view, "Pins (7..0)", 1), QStringLiteral("0000 0001"));
    QCOMPARE(Cell(view, "Dirs (7..0)", 1), QStringLiteral("0000 0001"));
    QCOMPARE(Cell(view, "Gosub depth", 1), QStringLiteral("1"));
    QVERIFY(Cell(view, "Return 1", 1).startsWith(QStringLiteral("@")));
    // Write's location counts down from the top of the image.
    QCOMPARE(Cell(view, "Image 250", 1), QStringLiteral("7"));
    QCOMPARE(Cell(view, "Image 250", 2), QStringLiteral("file: 0"));
    QCOMPARE(Cell(view, "LastPWM", 1), QStringLiteral("Pin7=5.00"));
  }

  // Only a word's value is editable; an edit takes effect at the next step, as typed into the box.
  void editingAWordTypesIntoThePanelsBox() {
    LoopBench rig;
    VariablesView& view = rig.bench->variablesView();
    QVERIFY(view.item(view.RowOf(QStringLiteral("Port")), 1)->flags() & Qt::ItemIsEditable);
    QVERIFY(!(view.item(view.RowOf(QStringLiteral("B0")), 1)->flags() & Qt::ItemIsEditable));
    QVERIFY(!(view.item(view.RowOf(QStringLiteral("W3")), 0)->flags() & Qt::ItemIsEditable));
    view.item(view.RowOf(QStringLiteral("W3")), 1)->setText(QStringLiteral("00ff"));
    QCOMPARE(rig.WBox(3)->text(), QStringLiteral("00ff"));
    QCOMPARE(rig.m().Ram[3], 0);
    rig.bench->Step();
    QCOMPARE(rig.m().Ram[3], 0xFF);
    QCOMPARE(Cell(view, "W3", 1), QStringLiteral("00FF"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::WorkbenchTest)
#include "workbench_test.moc"
