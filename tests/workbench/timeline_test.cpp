// The timeline dock on the panel's machine: BLINK's pin 0 at its simulated times, zoom and pan, the
// cursor, a click that takes the history there, and the exports' files and failures.
#include <sndfile.h>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <QWheelEvent>

#include "workbench/timeline_dock.h"
#include "workbench/timeline_exports.h"
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

}  // namespace

class TimelineTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  // Pin 0 swaps every Pause 500 (50 ticks of 10 ms), the Goto and the Pause: 502 ms, drawn as an output.
  void showsBlinksPin0TransitionsAtTheirSimulatedTimes() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(2600);
    rig.view().SetRange(100'000, rig.view().EndUs() - 100'000);  // after the first two Lets set it up
    const auto& row = rig.view().Traces().Pins[0];
    QVERIFY(row.size() >= 4);
    for (size_t i = 2; i < row.size(); ++i) QCOMPARE(row[i].FromUs - row[i - 1].FromUs, 502'000);
    // Each change is when the swapping Let started, by the recorder's clock of instructions.
    const uint64_t swap = rig.recorder().InstructionAt(row[1].FromUs);
    QCOMPARE(rig.recorder().InstructionTimeUs(swap), std::optional<int64_t>(row[1].FromUs));
    QCOMPARE(row[0].Value & 2, 2);
    QCOMPARE(row[1].Value & 2, 2);
    QVERIFY((row[0].Value & 1) != (row[1].Value & 1));
  }

  // The view follows a run, but moves only at the display tick.
  void followsTheRunAtTheDisplayRate() {
    TimelineRig rig("BLINK.OBJ");
    QVERIFY(rig.view().Following());
    rig.form->RunBtn_Click();
    rig.Advance(3000);
    QCOMPARE(rig.view().ToUs(), TimelineView::kDefaultSpanUs);
    rig.bench->DisplayTick();
    QVERIFY(rig.view().ToUs() > TimelineView::kDefaultSpanUs);
    QCOMPARE(rig.view().ToUs(), rig.view().EndUs());
  }

  // Zoom, pan, the scroll bar and the buttons move the visible range, held to the recording.
  void zoomPanAndScrollChangeTheVisibleRange() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(3000);
    TimelineView& v = rig.view();
    v.SetRange(1'000'000, 1'000'000);
    QVERIFY(!v.Following());
    v.ZoomBy(2);  // around the middle
    QCOMPARE(v.SpanUs(), 500'000);
    QCOMPARE(v.FromUs(), 1'250'000);
    v.PanBy(-50'000);
    QCOMPARE(v.FromUs(), 1'200'000);
    v.PanBy(-10'000'000);
    QCOMPARE(v.FromUs(), v.StartUs());
    v.ZoomBy(1e9);
    QCOMPARE(v.SpanUs(), TimelineView::kMinSpanUs);
    v.SetRange(v.StartUs(), 1'000'000);
    QScrollBar& bar = rig.dock().scrollBar();
    QCOMPARE(bar.value(), 0);
    bar.setValue(bar.pageStep());
    QCOMPARE(v.FromUs(), v.StartUs() + 1'000'000);
    rig.dock().findChild<QToolButton*>(QStringLiteral("TimelineZoomIn"))->click();
    QCOMPARE(v.SpanUs(), 500'000);
    rig.dock().findChild<QToolButton*>(QStringLiteral("TimelineShowAll"))->click();
    QCOMPARE(v.FromUs(), v.StartUs());
    QCOMPARE(v.ToUs(), v.EndUs());
  }

  // The wheel zooms around the time under the pointer; a drag pans and takes the history nowhere.
  void wheelZoomsAroundThePointerAndDragPans() {
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

  void cursorShowsTheTimeAndTheInstructionUnderIt() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(3000);
    TimelineView& v = rig.view();
    v.SetRange(0, 1'000'000);
    QTest::mouseMove(&v, QPoint(v.XAtTime(600'000), 40));  // inside the second Pause
    QVERIFY(v.CursorUs());
    QVERIFY(std::abs(*v.CursorUs() - 600'000) <= v.PixelUs());
    const uint64_t n = rig.recorder().InstructionAt(*v.CursorUs());
    QVERIFY(n > 0);
    QCOMPARE(v.CursorInstruction(), n);
    QCOMPARE(rig.dock().cursorText(), QStringLiteral("%1, instruction #%2").arg(TimeText(*v.CursorUs())).arg(n));
    QTest::mouseMove(&v, QPoint(v.XAtTime(0), 40));
    QCOMPARE(rig.dock().cursorText(), QStringLiteral("0 us, before the first instruction"));
    QTest::mouseMove(&v, QPoint(5, 40));  // over the row names: no cursor
    QVERIFY(!v.CursorUs());
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
    QCOMPARE(rig.WBox(kPortWord)->text(), QString::fromStdString(rig.form->WordBoxText(kPortWord)));
    QVERIFY(rig.bench->statusText().startsWith(QStringLiteral("Next:")));
  }

  void exportVcdWritesTheRecording() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(1200);
    QTemporaryDir dir;
    QCOMPARE(rig.Export("ExportVcdAction", dir.filePath(QStringLiteral("blink.vcd"))), QStringList());
    QFile file(dir.filePath(QStringLiteral("blink.vcd")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray vcd = file.readAll();
    QVERIFY(vcd.contains("$timescale 1us $end"));
    rig.view().SetRange(100'000, rig.view().EndUs() - 100'000);
    const int64_t firstSwap = rig.view().Traces().Pins[0].at(1).FromUs;
    QVERIFY(vcd.contains(QStringLiteral("\n#%1\n").arg(firstSwap).toLatin1()));
    QVERIFY(rig.bench->statusBar()->currentMessage().startsWith(QStringLiteral("Exported to")));
  }

  // The WAV holds the whole recording's tones and rests at 44.1 kHz.
  void exportWavWritesTheTunesSound() {
    TimelineRig rig("TUNE.OBJ");
    for (int i = 0; i < 13; ++i) rig.form->Step_Click();
    int64_t ms = 0;
    for (const SignalKind kind : {SignalKind::Tone, SignalKind::Rest}) {
      for (const SignalEvent& e : rig.recorder().EventsOf(kind, 0, rig.recorder().EndTimeUs() + 1)) ms += e.Length;
    }
    QVERIFY(ms > 0);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tune.wav"));
    QCOMPARE(rig.Export("ExportWavAction", path), QStringList());
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    QVERIFY(sound != nullptr);
    sf_close(sound);
    QCOMPARE(info.samplerate, 44100);
    QVERIFY(std::abs(info.frames - ms * 441 / 10) <= 1);
  }

  // A file that cannot be written is a message box and a status, and leaves nothing behind.
  void exportToABadPathShowsAMessageBoxAndLeavesNothing() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(600);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/x.vcd"));
    const QStringList errors = rig.Export("ExportVcdAction", path);
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].contains(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QVERIFY(rig.bench->statusBar()->currentMessage().startsWith(QStringLiteral("Export failed")));
  }

  void cancellingTheFileDialogWritesNothing() {
    TimelineRig rig("BLINK.OBJ");
    QCOMPARE(rig.Export("ExportWavAction", std::nullopt), QStringList());
    QVERIFY(!rig.bench->statusBar()->currentMessage().startsWith(QStringLiteral("Export")));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::TimelineTest)
#include "timeline_test.moc"
