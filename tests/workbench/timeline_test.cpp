// The timeline dock on the panel's machine: BLINK's pin 0 at its simulated times, zoom and pan, the
// cursor's time and instruction, a click that takes the history there, and the exports' files and
// failures.
#include <sndfile.h>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextStream>
#include <QToolButton>
#include <QWheelEvent>

#include "workbench/timeline_dock.h"
#include "workbench/timeline_exports.h"
#include "workbench/timeline_view.h"
#include "workbench_rig.h"

namespace qx9::test {

namespace {

constexpr int64_t kBlinkSwapUs = 502'000;  // Pause 500 as 50 ticks of 10 ms, the Goto and the Pause

// A rig that loads an example as the load step does: the history and the recorder from the first
// instruction on.
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
  // Runs freely for ms of the rig's clock, then stops and lets the workbench redraw.
  void RunAndStop(int ms) {
    form->RunBtn_Click();
    RunFor(ms);
    form->RunBtn_Click();
    bench->DisplayTick();
  }
  // The times pin 0 changed at, as the dock has them, after BLINK's first two Lets set it up.
  std::vector<int64_t> Pin0Changes() {
    view().SetRange(100'000, view().EndUs() - 100'000);
    std::vector<int64_t> times;
    const auto& row = view().Traces().Pins[0];
    for (size_t i = 1; i < row.size(); ++i) times.push_back(row[i].FromUs);
    return times;
  }
};

struct ExportAnswers {
  QString Path;
  QStringList Errors;
  ExportQuestions Questions() {
    ExportQuestions q;
    q.AskPath = [this](QWidget*, trace::TimelineFormat) -> std::optional<QString> { return Path; };
    q.ShowError = [this](QWidget*, const QString& text) { Errors << text; };
    return q;
  }
};

QString VcdIdOf(const QString& vcd, const QString& name) {
  for (const QString& line : vcd.split(QLatin1Char('\n'))) {
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 5 && words[0] == QStringLiteral("$var") && words[4] == name) return words[3];
  }
  return {};
}

}  // namespace

class TimelineTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  void showsBlinksPin0TransitionsAtTheirSimulatedTimes() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(2600);
    const std::vector<int64_t> changes = rig.Pin0Changes();
    QVERIFY(changes.size() >= 3);
    for (size_t i = 1; i < changes.size(); ++i) QCOMPARE(changes[i] - changes[i - 1], kBlinkSwapUs);
    // Each change is when the swapping Let started, by the recorder's clock of instructions.
    const uint64_t swap = rig.recorder().InstructionAt(changes[0]);
    QCOMPARE(rig.recorder().InstructionTimeUs(swap), std::optional<int64_t>(changes[0]));
    // An output all along: drawn as an output, alternating.
    const auto& row = rig.view().Traces().Pins[0];
    QCOMPARE(row[0].Value & 2, 2);
    QCOMPARE(row[1].Value & 2, 2);
    QVERIFY((row[0].Value & 1) != (row[1].Value & 1));
  }

  void followsTheRunAtTheDisplayRate() {
    TimelineRig rig("BLINK.OBJ");
    QVERIFY(rig.view().Following());
    rig.form->RunBtn_Click();
    rig.Advance(3000);
    // Nothing moves until the display tick.
    QCOMPARE(rig.view().ToUs(), TimelineView::kDefaultSpanUs);
    rig.bench->DisplayTick();
    QVERIFY(rig.view().ToUs() > TimelineView::kDefaultSpanUs);
    QCOMPARE(rig.view().ToUs(), rig.view().EndUs());
    rig.form->RunBtn_Click();
  }

  void zoomAndPanChangeTheVisibleRange() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(3000);
    TimelineView& v = rig.view();
    v.SetRange(1'000'000, 1'000'000);
    QCOMPARE(v.FromUs(), 1'000'000);
    QVERIFY(!v.Following());

    v.ZoomBy(2);  // around the middle
    QCOMPARE(v.SpanUs(), 500'000);
    QCOMPARE(v.FromUs(), 1'250'000);

    v.ZoomBy(0.5);
    QCOMPARE(v.SpanUs(), 1'000'000);
    QCOMPARE(v.FromUs(), 1'000'000);

    v.PanBy(200'000);
    QCOMPARE(v.FromUs(), 1'200'000);

    v.PanBy(-10'000'000);  // held at the start of the recording
    QCOMPARE(v.FromUs(), v.StartUs());

    v.ZoomBy(1e9);  // held at the narrowest span
    QCOMPARE(v.SpanUs(), TimelineView::kMinSpanUs);
  }

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
    QVERIFY(std::abs(v.TimeAtX(x) - under) <= 1);  // within rounding

    v.SetRange(1'000'000, 1'000'000);
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(x, 50));
    QTest::mouseMove(&v, QPoint(x - 100, 50));
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(x - 100, 50));
    // 100 pixels of the trace area: that share of the span later.
    const double share = 100.0 / (v.width() - TimelineView::kLabelWidth);
    QCOMPARE(v.FromUs(), 1'000'000 + std::llround(share * 1'000'000));
    QCOMPARE(rig.form->history().CurrentPoint(), rig.m().InstructionsExecuted);  // a drag is no click
  }

  void scrollBarAndButtonsMoveTheView() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(3000);
    TimelineView& v = rig.view();
    v.SetRange(v.StartUs(), 1'000'000);
    QScrollBar& bar = rig.dock().scrollBar();
    QCOMPARE(bar.value(), 0);
    bar.setValue(bar.value() + bar.pageStep());
    QCOMPARE(v.FromUs(), v.StartUs() + 1'000'000);
    rig.dock().findChild<QToolButton*>(QStringLiteral("TimelineZoomIn"))->click();
    QCOMPARE(v.SpanUs(), 500'000);
    rig.dock().findChild<QToolButton*>(QStringLiteral("TimelineShowAll"))->click();
    QCOMPARE(v.FromUs(), v.StartUs());
    QCOMPARE(v.ToUs(), v.EndUs());
  }

  void cursorShowsTheTimeAndTheInstructionUnderIt() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(3000);
    TimelineView& v = rig.view();
    v.SetRange(0, 1'000'000);
    const int x = v.XAtTime(600'000);  // inside the second Pause
    QTest::mouseMove(&v, QPoint(x, 40));
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

  void clickJumpsTheHistoryAndThePanelShowsThatPoint() {
    TimelineRig rig("BLINK.OBJ");
    rig.form->RunBtn_Click();
    rig.RunFor(2600);  // still running: the click stops the run
    TimelineView& v = rig.view();
    v.SetRange(0, 2'000'000);
    const int x = TimelineView::kLabelWidth + 400;  // 800 ms
    const int64_t t = v.TimeAtX(x);
    const uint64_t n = rig.recorder().InstructionAt(t);
    QTest::mouseClick(&v, Qt::LeftButton, {}, QPoint(x, 40));
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.form->history().CurrentPoint(), n);
    QCOMPARE(rig.m().InstructionsExecuted, n);
    const SignalSnapshot then = rig.recorder().ValuesAt(*rig.recorder().InstructionTimeUs(n));
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[kPortWord]), then.Port());
    QCOMPARE(rig.WBox(kPortWord)->text(), QString::fromStdString(rig.form->WordBoxText(kPortWord)));
    QVERIFY(rig.bench->statusText().startsWith(QStringLiteral("Next:")));
  }

  void exportVcdWritesTheHeaderAndPin0sTransitions() {
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(1200);
    QTemporaryDir dir;
    ExportAnswers answers{dir.filePath(QStringLiteral("blink.vcd")), {}};
    rig.bench->timelineExports().setQuestions(answers.Questions());
    rig.bench->findChild<QAction*>(QStringLiteral("ExportVcdAction"))->trigger();
    QVERIFY(answers.Errors.isEmpty());
    QFile file(answers.Path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString vcd = QString::fromUtf8(file.readAll());
    QVERIFY(vcd.contains(QStringLiteral("$timescale 1us $end")));
    QVERIFY(vcd.contains(QStringLiteral("$scope module qx9 $end")));
    const QString pin0 = VcdIdOf(vcd, QStringLiteral("pin0"));
    QVERIFY(!pin0.isEmpty());
    const std::vector<int64_t> changes = rig.Pin0Changes();
    QVERIFY(changes.size() >= 1);
    const QString at = QStringLiteral("\n#%1\n").arg(changes[0]);
    const qsizetype stamp = vcd.indexOf(at);
    QVERIFY(stamp >= 0);
    const QString block = vcd.mid(stamp + at.size()).section(QLatin1Char('#'), 0, 0);
    QVERIFY(block.contains(QRegularExpression(QStringLiteral("^[01]") + QRegularExpression::escape(pin0) + "$",
                                              QRegularExpression::MultilineOption)));
    QVERIFY(rig.bench->statusBar()->currentMessage().startsWith(QStringLiteral("Exported to")));
  }

  void exportWavWritesTheTunesSound() {
    TimelineRig rig("TUNE.OBJ");
    for (int i = 0; i < 13; ++i) rig.form->Step_Click();
    const std::vector<SignalEvent> tones = rig.recorder().EventsOf(SignalKind::Tone, 0, rig.recorder().EndTimeUs() + 1);
    const std::vector<SignalEvent> rests = rig.recorder().EventsOf(SignalKind::Rest, 0, rig.recorder().EndTimeUs() + 1);
    QVERIFY(!tones.empty());
    int64_t ms = 0;
    for (const SignalEvent& e : tones) ms += e.Length;
    for (const SignalEvent& e : rests) ms += e.Length;
    QTemporaryDir dir;
    ExportAnswers answers{dir.filePath(QStringLiteral("tune.wav")), {}};
    rig.bench->timelineExports().setQuestions(answers.Questions());
    rig.bench->findChild<QAction*>(QStringLiteral("ExportWavAction"))->trigger();
    QVERIFY(answers.Errors.isEmpty());
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(answers.Path).constData(), SFM_READ, &info);
    QVERIFY(sound != nullptr);
    sf_close(sound);
    QCOMPARE(info.samplerate, 44100);
    QCOMPARE(info.channels, 1);
    QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QVERIFY(std::abs(info.frames - ms * 441 / 10) <= 1);
  }

  void exportToABadPathShowsAMessageBoxAndLeavesNothing_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("missing folder") << QStringLiteral("missing/x.vcd");
    QTest::newRow("a folder as the file") << QStringLiteral("folder");
    QTest::newRow("a read-only place") << QStringLiteral("/proc/qx9-timeline.vcd");
  }
  void exportToABadPathShowsAMessageBoxAndLeavesNothing() {
    QFETCH(QString, where);
    TimelineRig rig("BLINK.OBJ");
    rig.RunAndStop(600);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QString path = where.startsWith(QLatin1Char('/')) ? where : dir.filePath(where);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    ExportAnswers answers{path, {}};
    rig.bench->timelineExports().setQuestions(answers.Questions());
    rig.bench->findChild<QAction*>(QStringLiteral("ExportVcdAction"))->trigger();
    QCOMPARE(answers.Errors.size(), 1);
    QVERIFY(answers.Errors[0].contains(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    QVERIFY(QDir(dir.filePath(QStringLiteral("folder"))).isEmpty());
    QVERIFY(!QFileInfo(path).isFile());
    QVERIFY(rig.bench->statusBar()->currentMessage().startsWith(QStringLiteral("Export failed")));
  }

  void cancellingTheFileDialogWritesNothing() {
    TimelineRig rig("BLINK.OBJ");
    ExportQuestions q;
    int errors = 0;
    q.AskPath = [](QWidget*, trace::TimelineFormat) -> std::optional<QString> { return std::nullopt; };
    q.ShowError = [&errors](QWidget*, const QString&) { ++errors; };
    rig.bench->timelineExports().setQuestions(q);
    QCOMPARE(rig.bench->timelineExports().Export(trace::TimelineFormat::Wav), QString());
    QCOMPARE(errors, 0);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::TimelineTest)
#include "timeline_test.moc"
