// The history in the panel and the workbench: Shift+F8 and Shift+F5 go back and show the point reached,
// a run is stopped first, the slider jumps and follows, who-wrote names and shows the writer, and state
// files save, load and refuse what they cannot read without changing anything.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTextBlock>

#include "core/state_file.h"
#include "panel/panel_history.h"
#include "workbench/history_bar.h"
#include "workbench/stops_dock.h"
#include "workbench/variables_view.h"
#include "workbench_rig.h"

namespace qx9::test {

namespace {

// up: High 1 / Let W0=W0+7 / Write 5,W0 (image entry 250) / Low 1 / Goto up
struct PortProgram {
  ProgramBuilder b;
  int high = 0;
  int let = 0;
  int write = 0;
  int low = 0;
  PortProgram() {
    high = b.Here();
    b.Label("up").High(C(1));
    let = b.Here();
    b.Let(V("W0"), {{3, C(7)}});
    write = b.Here();
    b.Write(C(5), V("W0"));
    low = b.Here();
    b.Low(C(1));
    b.Goto("up");
  }
};

// What the panel shows: the boxes, the byte labels, the LEDs and the next instruction.
struct PanelPicture {
  QStringList Words;
  QStringList Bytes;
  QList<QImage> Leds;
  QString State;
};

PanelPicture Picture(PanelRig& rig) {
  PanelPicture p;
  for (int i = 0; i < 8; ++i) {
    p.Words << rig.WBox(i)->text();
    p.Bytes << rig.BVar(i)->text();
    p.Leds << rig.GLED(i)->pixmap().toImage();
  }
  p.State = rig.StateText();
  return p;
}

// Loads the program and starts the history from its first instruction, as the load step does.
void Start(WorkbenchRig& rig, const ProgramBuilder& program) {
  rig.Show(program);
  rig.form->panelHistory().ProgramStarted();
}

void Steps(WorkbenchRig& rig, int count) {
  for (int i = 0; i < count; ++i) rig.bench->Step();
}

QAction* Action(WorkbenchRig& rig, const char* name) {
  return rig.bench->findChild<QAction*>(QString::fromLatin1(name));
}

void Put(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

struct WhoRow {
  const char* Name;
  bool PortProgramRuns;  // else the loop program
  int Steps;
  int Writer;  // the executed-instruction number expected, 0: nobody
};
// clang-format off
const WhoRow kWho[] = {
    {"W2", false, 8, 8},
    {"Bit1", false, 8, 4},
    {"W5", false, 8, 0},
    {"Pin1", true, 4, 4},
    {"Dirs", true, 4, 1},
    {"Image 250", true, 4, 3},
    {"Image 249", true, 4, 0},
};
// clang-format on

struct RefusedRow {
  const char* Name;
  const char* Message;
};
// Each way a file is refused is the state file's own business; here one damaged file and one from
// another program show that a refusal reaches the user and changes nothing.
const RefusedRow kRefused[] = {
    {"flipped", " is damaged (checksum mismatch)"},
    {"other program", " was saved from another program than the one loaded"},
};

}  // namespace

class HistoryTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;
  QTemporaryDir files_;

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  void shiftF8RestoresTheEarlierPanel() {
    WorkbenchRig rig;
    PortProgram p;
    Start(rig, p.b);
    rig.form->Step_Click();
    rig.form->Step_Click();
    const PanelPicture before = Picture(rig);
    rig.form->Step_Click();
    rig.form->Step_Click();
    rig.form->Step_Click();
    QVERIFY(Picture(rig).Leds != before.Leds);
    // From a word box: the key preview catches it whichever control has the focus.
    QTest::keyClick(rig.WBox(3), Qt::Key_F8, Qt::ShiftModifier);
    QTest::keyClick(rig.WBox(3), Qt::Key_F8, Qt::ShiftModifier);
    QTest::keyClick(rig.WBox(3), Qt::Key_F8, Qt::ShiftModifier);
    const PanelPicture after = Picture(rig);
    QCOMPARE(rig.m().InstructionsExecuted, 2u);
    QCOMPARE(after.Words, before.Words);
    QCOMPARE(after.Bytes, before.Bytes);
    QCOMPARE(after.Leds, before.Leds);
    QCOMPARE(after.State, before.State);
    // The workbench shows the same point.
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.write));
  }

  void plainF8StillSteps() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    QTest::keyClick(rig.WBox(0), Qt::Key_F8);
    QCOMPARE(rig.m().InstructionsExecuted, 1u);
  }

  void goingBackStopsARunFirst() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    rig.form->RunBtn_Click();
    rig.Advance(10);
    const uint64_t reached = rig.m().InstructionsExecuted;
    QTest::keyClick(rig.WBox(0), Qt::Key_F8, Qt::ShiftModifier);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QCOMPARE(rig.m().InstructionsExecuted, reached - 1);
    rig.Advance(10);  // a stopped timer runs nothing on from the restored point
    QCOMPARE(rig.m().InstructionsExecuted, reached - 1);
  }

  void stepFromThePastDiscardsTheFuture() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 6);
    Action(rig, "StepBackAction")->trigger();
    Action(rig, "StepBackAction")->trigger();
    Action(rig, "StepBackAction")->trigger();
    QCOMPARE(rig.form->history().LastPoint(), 6u);
    QCOMPARE(rig.bench->historyBar().slider()->maximum(), 6);
    rig.bench->Step();
    QCOMPARE(rig.form->history().LastPoint(), 4u);
    QCOMPARE(rig.bench->historyBar().slider()->maximum(), 4);
    QCOMPARE(rig.bench->historyBar().slider()->value(), 4);
  }

  void reverseRunStopsAtEachEarlierBreakpointHit() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    rig.view().ClickMargin(rig.LineOf(p.mark));
    Steps(rig, 10);
    // The panel's key runs back to the workbench's stops and shows the point reached.
    QTest::keyClick(rig.WBox(0), Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(rig.m().InstructionsExecuted, 7u);
    QCOMPARE(rig.m().LinearAddress(), p.mark);
    QCOMPARE(rig.WBox(0)->text(), QStringLiteral("0003"));
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.mark));
    QVERIFY(rig.bench->statusText().startsWith(QStringLiteral("History: #7 of 10")));
    const uint64_t expected[] = {4, 1, 0};
    for (const uint64_t point : expected) {
      Action(rig, "ReverseRunAction")->trigger();
      QCOMPARE(rig.m().InstructionsExecuted, point);
    }
    // At the start of the history there is nothing further back.
    Action(rig, "ReverseRunAction")->trigger();
    QCOMPARE(rig.m().InstructionsExecuted, 0u);
  }

  void reverseRunStopsRightAfterAWatchedChange() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    rig.bench->stopsDock().entry()->setText(QStringLiteral("W2"));
    QVERIFY(rig.bench->stopsDock().AddWatch());
    Steps(rig, 10);
    Action(rig, "ReverseRunAction")->trigger();
    QCOMPARE(rig.m().InstructionsExecuted, 8u);
    Action(rig, "ReverseRunAction")->trigger();
    QCOMPARE(rig.m().InstructionsExecuted, 5u);
    // Going back moved the watch's value with it: a run from here stops at the next real change only.
    rig.bench->RunStop();
    rig.RunFor(20);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.m().InstructionsExecuted, 8u);
    QCOMPARE(rig.m().Ram[2], 9);
  }

  void reverseRunStopsWhereAConditionHeld() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    rig.bench->stopsDock().entry()->setText(QStringLiteral("W0 = 2"));
    QVERIFY(rig.bench->stopsDock().AddCondition());
    Steps(rig, 10);
    Action(rig, "ReverseRunAction")->trigger();
    QCOMPARE(rig.m().InstructionsExecuted, 6u);
  }

  void panelAloneReverseRunGoesToTheStart() {
    PanelRig rig;
    LoopProgram p;
    rig.Load(p.b);
    rig.form->panelHistory().ProgramStarted();
    for (int i = 0; i < 5; ++i) rig.form->Step_Click();
    QTest::keyClick(rig.WBox(1), Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(rig.m().InstructionsExecuted, 0u);
    QCOMPARE(rig.WBox(0)->text(), QStringLiteral("0000"));
    QVERIFY(!rig.timer().isEnabled());
  }

  void aClosedWorkbenchStopsNoReverseRun() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    rig.view().ClickMargin(rig.LineOf(p.mark));
    Steps(rig, 10);
    rig.bench->close();
    QTest::keyClick(rig.WBox(0), Qt::Key_F5, Qt::ShiftModifier);
    QCOMPARE(rig.m().InstructionsExecuted, 0u);
  }

  void sliderJumpsToAnyPoint() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 9);
    QCOMPARE(rig.bench->historyBar().slider()->maximum(), 9);
    rig.bench->historyBar().slider()->setValue(4);
    QCOMPARE(rig.m().InstructionsExecuted, 4u);
    QCOMPARE(rig.m().Ram[0], 2);
    QCOMPARE(rig.m().Ram[2], 3);
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.mark));
    QCOMPARE(rig.bench->historyBar().pointText()->text(), QStringLiteral("#4 of 9"));
    rig.bench->historyBar().slider()->setValue(9);
    QCOMPARE(rig.m().Ram[0], 3);
  }

  void sliderFollowsTheRun() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    rig.bench->RunStop();
    rig.RunFor(20);
    const auto last = static_cast<int>(rig.form->history().LastPoint());
    QVERIFY(last > 10);
    QCOMPARE(rig.bench->historyBar().slider()->maximum(), last);
    QCOMPARE(rig.bench->historyBar().slider()->value(), last);
    QVERIFY(rig.timer().isEnabled());  // following moved nothing
  }

  void whoWroteNamesTheWriterAndJumps_data() { AddRows(kWho); }
  void whoWroteNamesTheWriterAndJumps() {
    const WhoRow& r = Row(kWho);
    WorkbenchRig rig;
    LoopProgram loop;
    PortProgram port;
    Start(rig, r.PortProgramRuns ? port.b : loop.b);
    Steps(rig, r.Steps);
    const bool found = rig.bench->historyBar().WhoWrote(QString::fromLatin1(r.Name));
    QCOMPARE(found, r.Writer != 0);
    if (r.Writer == 0) {
      QCOMPARE(rig.m().InstructionsExecuted, static_cast<uint64_t>(r.Steps));
      QVERIFY(rig.bench->statusText().startsWith(QStringLiteral("No instruction")));
      return;
    }
    QCOMPARE(rig.m().InstructionsExecuted, static_cast<uint64_t>(r.Writer));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("#%1").arg(r.Writer)));
    // The writer's line is highlighted in the program view.
    const int line = rig.view().textCursor().blockNumber();
    QVERIFY(rig.view().textCursor().hasSelection());
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("line %1").arg(line + 1)));
  }

  void whoWroteRefusesAnUnknownName() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 4);
    QVERIFY(!rig.bench->historyBar().WhoWrote(QStringLiteral("W9")));
    QVERIFY(rig.bench->statusText().contains(QStringLiteral("Name a variable")));
    QCOMPARE(rig.m().InstructionsExecuted, 4u);
  }

  void whoWroteFromTheBox() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 5);
    QTest::keyClicks(rig.bench->historyBar().whoWroteBox(), QStringLiteral("W2"));
    QTest::keyClick(rig.bench->historyBar().whoWroteBox(), Qt::Key_Return);
    QCOMPARE(rig.m().InstructionsExecuted, 5u);
    QCOMPARE(rig.view().textCursor().blockNumber(), rig.LineOf(p.mark));
  }

  void variablesRowsNameWhatWhoWroteAsks() {
    WorkbenchRig rig;
    PortProgram p;
    Start(rig, p.b);
    Steps(rig, 3);
    VariablesView& v = rig.bench->variablesView();
    QCOMPARE(v.WhoWroteName(v.RowOf(QStringLiteral("W3"))), QStringLiteral("W3"));
    QCOMPARE(v.WhoWroteName(v.RowOf(QStringLiteral("Bit15..Bit0"))), QStringLiteral("W0"));
    QCOMPARE(v.WhoWroteName(v.RowOf(QStringLiteral("Pins (7..0)"))), QStringLiteral("Pins"));
    QCOMPARE(v.WhoWroteName(v.RowOf(QStringLiteral("Dirs (7..0)"))), QStringLiteral("Dirs"));
    QCOMPARE(v.WhoWroteName(v.RowOf(QStringLiteral("Image 250"))), QStringLiteral("Image 250"));
    QCOMPARE(v.WhoWroteName(v.RowOf(QStringLiteral("Gosub depth"))), QString());
    QCOMPARE(v.WhoWroteName(v.RowOf(QStringLiteral("LastPWM"))), QString());
  }

  void saveThenLoadGivesBackTheState() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 3);
    const QString path = files_.filePath(QStringLiteral("three.qx9state"));
    QVERIFY(rig.form->panelHistory().SaveStateTo(path));
    const PanelPicture saved = Picture(rig);
    Steps(rig, 4);
    const std::array<int32_t, 8> sevenSteps = rig.m().Ram;
    Steps(rig, 2);
    QVERIFY(rig.form->panelHistory().LoadStateFrom(path));
    QVERIFY(rig.dialogs->Messages.empty());
    QCOMPARE(rig.m().InstructionsExecuted, 3u);
    QCOMPARE(Picture(rig).Words, saved.Words);
    QCOMPARE(Picture(rig).State, saved.State);
    QCOMPARE(rig.view().highlightedLine(), rig.LineOf(p.loop));
    // The history starts again at the loaded point.
    QCOMPARE(rig.form->history().FirstPoint(), 3u);
    QCOMPARE(rig.form->history().LastPoint(), 3u);
    // Running on from the loaded state gives what one run of the whole length gives.
    Steps(rig, 4);
    QCOMPARE(rig.m().Ram, sevenSteps);
  }

  void stateFilesThroughTheMenusDialogs() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 2);
    PanelHistory& h = rig.form->panelHistory();
    const QString path = files_.filePath(QStringLiteral("menu.qx9state"));
    h.AskStatePath = [&](bool) { return std::optional<QString>(path); };
    h.saveAction()->trigger();
    QVERIFY(QFile::exists(path));
    Steps(rig, 2);
    h.loadAction()->trigger();
    QCOMPARE(rig.m().InstructionsExecuted, 2u);
    // A cancelled dialog does nothing and says nothing.
    h.AskStatePath = [](bool) { return std::optional<QString>(); };
    Steps(rig, 1);
    h.loadAction()->trigger();
    QCOMPARE(rig.m().InstructionsExecuted, 3u);
    QVERIFY(rig.dialogs->Messages.empty());
    // The workbench shows the same two actions.
    QVERIFY(rig.bench->historyBar().actions().contains(h.saveAction()));
    QVERIFY(rig.bench->historyBar().actions().contains(h.loadAction()));
  }

  void refusedStateFileChangesNothing_data() { AddRows(kRefused); }
  void refusedStateFileChangesNothing() {
    const RefusedRow& r = Row(kRefused);
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 3);
    const QString good = files_.filePath(QStringLiteral("good.qx9state"));
    QVERIFY(rig.form->panelHistory().SaveStateTo(good));
    const QByteArray bytes = Bytes(good);
    const QString path = files_.filePath(QStringLiteral("%1.qx9state").arg(QString::fromLatin1(r.Name)));
    const QString name = QString::fromLatin1(r.Name);
    QByteArray bad = bytes;
    if (name == QStringLiteral("flipped")) bad[300] = static_cast<char>(bad[300] ^ 0x10);
    if (name == QStringLiteral("other program")) {
      // A state saved while another program was loaded.
      WorkbenchRig other;
      PortProgram port;
      Start(other, port.b);
      QVERIFY(other.form->panelHistory().SaveStateTo(path));
      bad = Bytes(path);
    }
    Put(path, bad);
    Steps(rig, 2);
    const PanelPicture before = Picture(rig);
    const std::array<int32_t, 8> ram = rig.m().Ram;
    QVERIFY(!rig.form->panelHistory().LoadStateFrom(path));
    QCOMPARE(rig.dialogs->Messages.size(), size_t{1});
    const QString message = rig.dialogs->Messages[0];
    QVERIFY2(message.contains(QString::fromLatin1(r.Message)), qPrintable(message));
    QCOMPARE(rig.m().Ram, ram);
    QCOMPARE(rig.m().InstructionsExecuted, 5u);
    QCOMPARE(Picture(rig).Words, before.Words);
    QCOMPARE(Picture(rig).State, before.State);
    QCOMPARE(rig.form->history().FirstPoint(), 0u);
    QCOMPARE(rig.form->history().LastPoint(), 5u);
  }

  void loadingDuringARun() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 2);
    const QString good = files_.filePath(QStringLiteral("during.qx9state"));
    QVERIFY(rig.form->panelHistory().SaveStateTo(good));
    const QString bad = files_.filePath(QStringLiteral("during-bad.qx9state"));
    Put(bad, QByteArray("not a state"));
    rig.bench->RunStop();
    rig.RunFor(10);
    // A refused file leaves even the run alone.
    QVERIFY(!rig.form->panelHistory().LoadStateFrom(bad));
    QVERIFY(rig.timer().isEnabled());
    // A loaded one stops it first: the next tick must not run on from the loaded point.
    QVERIFY(rig.form->panelHistory().LoadStateFrom(good));
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    rig.RunFor(10);
    QCOMPARE(rig.m().InstructionsExecuted, 2u);
  }

  void aFailedSaveSaysWhyAndKeepsTheMachine() {
    WorkbenchRig rig;
    LoopProgram p;
    Start(rig, p.b);
    Steps(rig, 2);
    const QString path = files_.filePath(QStringLiteral("no such folder/x.qx9state"));
    QVERIFY(!rig.form->panelHistory().SaveStateTo(path));
    QCOMPARE(rig.dialogs->Messages.size(), size_t{1});
    QCOMPARE(rig.m().InstructionsExecuted, 2u);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::HistoryTest)
#include "history_test.moc"
