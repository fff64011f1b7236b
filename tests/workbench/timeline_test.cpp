// The timeline: its dock on the panel's machine, the segments of a range, and the values cache.
#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QStatusBar>
#include <QWheelEvent>

#include "workbench/timeline_dock.h"
#include "workbench/timeline_exports.h"
#include "workbench/timeline_traces.h"
#include "workbench/timeline_view.h"
#include "workbench_rig.h"

namespace qx9::test {
namespace {

// An example loaded as the load step does: the history and the recorder from the first instruction on.
struct TimelineRig : WorkbenchRig {
  explicit TimelineRig(const char* example) {
    m().LoadObjectFile(std::string(EXAMPLES_DIR "/") + example);
    form->show();
    m().StartProgram();
    form->history().Attach(m(), m().LastPWM);
    form->recorder().Restart(m());
    m().AddListener(form->recorder());
    bench->show();
  }
  TimelineDock& dock() { return bench->timelineDock(); }
  TimelineView& view() { return dock().view(); }
  SignalRecorder& recorder() { return form->recorder(); }
  void RunAndStop(int ms) {
    form->RunBtn_Click();
    RunFor(ms);
    form->RunBtn_Click();
    bench->DisplayTick();
  }
  // Answers the export's file dialog with path and returns the error messages shown.
  QStringList errors;
  QStringList Export(const char* action, const std::optional<QString>& path) {
    errors.clear();
    ExportQuestions q;
    q.AskPath = [path](QWidget*, trace::TimelineFormat) -> std::optional<QString> { return path; };
    q.ShowError = [this](QWidget*, const QString& text) { errors << text; };
    bench->timelineExports().setQuestions(q);
    bench->findChild<QAction*>(QString::fromLatin1(action))->trigger();
    return errors;
  }
};

// top: Toggle 0 / Goto top, stepped: pin 0 changes every 2 ms of simulated time.
struct ToggleRig : PanelRig {
  explicit ToggleRig(int steps) {
    ProgramBuilder p;
    p.Label("top").Toggle(C(0)).Goto("top");
    Load(p);
    form->recorder().Restart(m());
    m().AddListener(form->recorder());
    for (int i = 0; i < steps; ++i) form->Step_Click();
  }
  const SignalRecorder& recorder() { return form->recorder(); }
};

}  // namespace

class TimelineTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  // Opened for the first time, the timeline shows the pins and the words without a scroll, and the
  // variables beside the program keep the window's full height.
  void opensTallEnoughForThePinsAndWordsBesideTheVariables() {
    TimelineRig rig("BLINK.OBJ");
    QCoreApplication::processEvents();
    const QWidget* rows = rig.dock().findChild<QWidget*>(QStringLiteral("TimelineRows"));
    QVERIFY(rows->height() >= TimelineView::kAxisHeight + 15 * TimelineView::kRowHeight);
    const QWidget* variables = rig.bench->findChild<QDockWidget*>(QStringLiteral("VariablesDock"));
    QVERIFY(variables->geometry().right() < rig.dock().parentWidget()->geometry().left() ||
            variables->geometry().left() > rig.dock().parentWidget()->geometry().right());
  }

  // The wheel zooms around the pointer; a drag takes the history nowhere.
  void zoomPanWheelAndDrag() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(3000);
    TimelineView& v = rig.view();
    v.SetRange(1'000'000, 1'000'000);
    const int x = TimelineView::kLabelWidth + 250;
    const int64_t under = v.TimeAtX(x);
    QWheelEvent wheel(QPointF(x, 50), v.mapToGlobal(QPointF(x, 50)), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&v, &wheel);
    QCOMPARE(v.SpanUs(), 800'000);
    QVERIFY(std::abs(v.TimeAtX(x) - under) <= 1);
    v.SetRange(1'000'000, 1'000'000);
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(x, 50));
    QTest::mouseMove(&v, QPoint(x - 100, 50));
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(x - 100, 50));
    const double share = 100.0 / (v.width() - TimelineView::kLabelWidth);
    QCOMPARE(v.FromUs(), 1'000'000 + std::llround(share * 1'000'000));
    QCOMPARE(rig.form->history().CurrentPoint(), rig.m().InstructionsExecuted);
  }

  // A click during a run stops it and takes the history, and the panel, to the instruction there.
  void clickJumpsTheHistoryAndThePanelShowsThatPoint() {
    TimelineRig rig("BLINK.OBJ");
    rig.form->RunBtn_Click();
    rig.RunFor(2600);
    TimelineView& v = rig.view();
    v.SetRange(0, 2'000'000);
    const int x = TimelineView::kLabelWidth + 400;
    const uint64_t n = rig.recorder().InstructionAt(v.TimeAtX(x));
    QTest::mouseClick(&v, Qt::LeftButton, {}, QPoint(x, 40));
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.m().InstructionsExecuted, n);
    const SignalSnapshot then = rig.recorder().ValuesAt(*rig.recorder().InstructionTimeUs(n));
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[kPortWord]), then.Port());
  }

  // A file that cannot be written is a message and leaves nothing behind; then the dump goes where asked.
  void exportsWriteTheRecordingOrSayWhyNot() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(600);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/x.vcd"));
    const QStringList errors = rig.Export("ExportVcdAction", path);
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].contains(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QVERIFY(rig.bench->statusBar()->currentMessage().startsWith(QStringLiteral("Export failed")));
    QCOMPARE(rig.Export("ExportVcdAction", dir.filePath(QStringLiteral("x.vcd"))), QStringList());
    QFile file(dir.filePath(QStringLiteral("x.vcd")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("$timescale 1us $end"));
    QCOMPARE(rig.Export("ExportWavAction", dir.filePath(QStringLiteral("x.wav"))), QStringList());
    QVERIFY(rig.bench->statusBar()->currentMessage().contains(QStringLiteral("no sound was recorded")));
  }

  void eachChangeIsItsOwnSegmentWhenPixelsAreFinerThanChanges() {
    ToggleRig rig(20);
    const int64_t end = rig.recorder().EndTimeUs();
    const TimelineTraces t = TracesIn(rig.recorder(), 0, end, 100);
    const auto& pin0 = t.Pins[0];
    QCOMPARE(pin0.size(), size_t{10});  // the first toggle at 0 us, then nine
    for (size_t i = 2; i < pin0.size(); ++i) QCOMPARE(pin0[i].FromUs - pin0[i - 1].FromUs, 2000);
    for (size_t i = 1; i < pin0.size(); ++i) QCOMPARE(pin0[i - 1].ToUs, pin0[i].FromUs);
    QCOMPARE(pin0.back().ToUs, end);
    QCOMPARE(t.Pins[3].size(), size_t{1});  // untouched: one segment, an input
    QCOMPARE(t.Pins[3][0].Value & 2, 0);
    // A range in the middle starts from the values then.
    const TimelineTraces middle = TracesIn(rig.recorder(), 9'000, 15'000, 1);
    QCOMPARE(middle.Pins[0].front().FromUs, 9'000);
    QCOMPARE(middle.Pins[0].front().Value, PinValue(rig.recorder().ValuesAt(9'000).Port(), 0));
    QCOMPARE(middle.Pins[0].back().ToUs, 15'000);
  }

  void crowdedChangesMergeIntoBusySegmentsBoundedByThePixels() {
    ToggleRig rig(400);
    const int64_t end = rig.recorder().EndTimeUs();
    const int64_t pixel = 10'000;  // five toggles a pixel
    // The range runs on past the recording, where the pin has settled.
    const TimelineTraces t = TracesIn(rig.recorder(), 0, end + 5 * pixel, pixel);
    const auto& pin0 = t.Pins[0];
    QVERIFY(pin0.size() <= static_cast<size_t>(end / pixel + 7));
    QVERIFY(
        std::any_of(pin0.begin(), pin0.end(), [](const TraceSegment& s) { return s.Value == TraceSegment::kBusy; }));
    QCOMPARE(pin0.back().Value, PinValue(rig.recorder().ValuesAt(end).Port(), 0));
    for (size_t i = 1; i < pin0.size(); ++i) QVERIFY(pin0[i - 1].ToUs <= pin0[i].FromUs);
  }

  void theValuesCacheFollowsARingThatWraps() {
    PanelRig rig;
    ProgramBuilder p;
    p.Label("top").Toggle(C(0)).Let(V("W0"), {{3, C(1)}}).Goto("top");
    rig.Load(p);
    SignalRecorder recorder(16);
    recorder.Restart(rig.m());
    rig.m().AddListener(recorder);
    ValuesCache cache;
    for (int round = 0; round < 6; ++round) {
      for (int i = 0; i < 10; ++i) rig.form->Step_Click();
      QCOMPARE(cache.At(recorder, recorder.EndTimeUs()), recorder.ValuesAt(recorder.EndTimeUs()));
    }
    QVERIFY(recorder.EventsDropped() > 0);
    rig.m().RemoveListener(recorder);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::TimelineTest)
#include "timeline_test.moc"
