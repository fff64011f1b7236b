// The history in the panel and the workbench: going back and state files.
#include <QAction>

#include "workbench/stops_dock.h"
#include "workbench_rig.h"

namespace qx9::test {
namespace {

// up: High 1 / Let W0=W0+7 / Write 5,W0 (image entry 250) / Low 1 / Goto up
struct PortProgram {
  ProgramBuilder b;
  int write = 0;
  PortProgram() {
    b.Label("up").High(C(1)).Let(V("W0"), {{3, C(7)}});
    write = b.Here();
    b.Write(C(5), V("W0")).Low(C(1)).Goto("up");
  }
};

// What the panel shows: the boxes, the byte labels, the LEDs and the next instruction.
QStringList Picture(PanelRig& rig) {
  const QImage on = QPixmap(QStringLiteral(":/assets/led_on.png")).toImage();
  QStringList shown;
  for (int i = 0; i < 8; ++i) {
    shown << rig.WBox(i)->text() << rig.BVar(i)->text();
    shown << (rig.GLED(i)->pixmap().toImage() == on ? QStringLiteral("on") : QStringLiteral("off"));
  }
  shown << rig.StateText();
  return shown;
}

// Loads the program and starts the history from its first instruction, as the load step does.
void Start(WorkbenchRig& rig, const ProgramBuilder& program) {
  rig.Show(program);
  rig.form->panelHistory().ProgramStarted();
}

void Steps(WorkbenchRig& rig, int count) {
  for (int i = 0; i < count; ++i) rig.bench->Step();
}

void Trigger(WorkbenchRig& rig, const char* action) {
  rig.bench->findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

}  // namespace

class HistoryTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;
  QTemporaryDir files_;
  QString File(const char* name) { return files_.filePath(QString::fromLatin1(name)); }

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  // Shift+F8, whichever control has the focus, shows the earlier point in the panel and the workbench.
  void shiftF8RestoresTheEarlierPanel() {
    WorkbenchRig rig;
    PortProgram p;
    Start(rig, p.b);
    Steps(rig, 2);
    const QStringList before = Picture(rig);
    Steps(rig, 3);
    QVERIFY(Picture(rig) != before);
    for (int i = 0; i < 3; ++i) QTest::keyClick(rig.WBox(3), Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(rig.m().InstructionsExecuted, 2u);
    QCOMPARE(Picture(rig), before);
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.write));
    QTest::keyClick(rig.WBox(3), Qt::Key_F8);  // plain F8 still steps
    QCOMPARE(rig.m().InstructionsExecuted, 3u);
  }

  // Shift+F5 runs back to breakpoints; a closed workbench's stops used to hold it still.
  void reverseRunStopsAtBreakpointsWhileTheWorkbenchIsOpen() {
    LoopBench rig(true);
    rig.view().ClickMargin(rig.LineOf(rig.p.mark));
    Steps(rig, 10);
    QTest::keyClick(rig.WBox(0), Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(rig.m().InstructionsExecuted, 7u);
    QCOMPARE(rig.WBox(0)->text(), QStringLiteral("0003"));
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(rig.p.mark));
    Trigger(rig, "ReverseRunAction");
    QCOMPARE(rig.m().InstructionsExecuted, 4u);
    rig.bench->close();
    QTest::keyClick(rig.WBox(0), Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(rig.m().InstructionsExecuted, 0u);
    QTest::keyClick(rig.WBox(0), Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(rig.WBox(0)->text(), QStringLiteral("0000"));
  }

  // Going back moves the watch's value with it: a run from there stops at the next real change only.
  void reverseRunStopsRightAfterAWatchedChange() {
    LoopBench rig(true);
    rig.bench->stopsDock().entry()->setText(QStringLiteral("W2"));
    QVERIFY(rig.bench->stopsDock().AddWatch());
    Steps(rig, 10);
    Trigger(rig, "ReverseRunAction");
    QCOMPARE(rig.m().InstructionsExecuted, 8u);
    Trigger(rig, "ReverseRunAction");
    QCOMPARE(rig.m().InstructionsExecuted, 5u);
    rig.bench->RunStop();
    rig.RunFor(20);
    QCOMPARE(rig.m().InstructionsExecuted, 8u);
    QCOMPARE(rig.m().Ram[2], 9);
  }

  // Another program's state is refused, changing nothing (it used to stop a run); a loaded one stops it,
  // shows as saved and starts the history afresh.
  void refusedAndLoadedDuringARun() {
    {
      WorkbenchRig other;
      Start(other, PortProgram().b);
      QVERIFY(other.form->panelHistory().SaveStateTo(File("other.qx9state")));
    }
    LoopBench rig(true);
    Steps(rig, 2);
    QVERIFY(rig.form->panelHistory().SaveStateTo(File("during.qx9state")));
    const QStringList saved = Picture(rig);
    rig.bench->RunStop();
    rig.RunFor(10);
    const std::array<int32_t, 8> ram = rig.m().Ram;
    const uint64_t reached = rig.m().InstructionsExecuted;
    QVERIFY(!rig.form->panelHistory().LoadStateFrom(File("other.qx9state")));
    QCOMPARE(rig.dialogs->Messages,
             std::vector<QString>{"other.qx9state was saved from another program than the one loaded"});
    QCOMPARE(rig.m().Ram, ram);
    QCOMPARE(rig.form->history().LastPoint(), reached);
    QVERIFY(rig.timer().isEnabled());
    QVERIFY(rig.form->panelHistory().LoadStateFrom(File("during.qx9state")));
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QCOMPARE(Picture(rig), saved);
    QCOMPARE(rig.form->history().FirstPoint(), 2u);
    rig.RunFor(10);
    QCOMPARE(rig.m().InstructionsExecuted, 2u);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::HistoryTest)
#include "history_test.moc"
