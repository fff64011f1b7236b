// What the timeline works out for a range: one segment a change while changes are a pixel or more
// apart, busy segments (never more than the pixels) when they crowd, and the values current at the start.
#include "workbench/timeline_traces.h"
#include "workbench_rig.h"

namespace qx9::test {
namespace {

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

class TimelineTracesTest : public QObject {
  Q_OBJECT

 private slots:
  void eachChangeIsItsOwnSegmentWhenPixelsAreFinerThanChanges() {
    ToggleRig rig(20);
    const int64_t end = rig.recorder().EndTimeUs();
    const TimelineTraces t = TracesIn(rig.recorder(), 0, end, 100);
    const auto& pin0 = t.Pins[0];
    QCOMPARE(pin0.size(), size_t{10});  // the first toggle at 0 us, then nine
    for (size_t i = 2; i < pin0.size(); ++i) QCOMPARE(pin0[i].FromUs - pin0[i - 1].FromUs, 2000);
    for (size_t i = 1; i < pin0.size(); ++i) QCOMPARE(pin0[i - 1].ToUs, pin0[i].FromUs);
    QCOMPARE(pin0.back().ToUs, end);
    QVERIFY(pin0[1].Value != pin0[2].Value);
    // An untouched pin is one segment, an input, across the range.
    QCOMPARE(t.Pins[3].size(), size_t{1});
    QCOMPARE(t.Pins[3][0].ToUs, end);
    QCOMPARE(t.Pins[3][0].Value & 2, 0);
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

  void aRangeStartsFromTheValuesCurrentThen() {
    ToggleRig rig(20);
    const TimelineTraces t = TracesIn(rig.recorder(), 9'000, 15'000, 1);
    const SignalSnapshot then = rig.recorder().ValuesAt(9'000);
    QCOMPARE(t.Pins[0].front().FromUs, 9'000);
    QCOMPARE(t.Pins[0].front().Value, PinValue(then.Port(), 0));
    QCOMPARE(t.Words[kPortWord].front().Value, static_cast<int>(then.Port()));
    QCOMPARE(t.Pins[0].back().ToUs, 15'000);
  }

  // The cache agrees with the recorder forward, backward, and on a fresh, shorter recording.
  void theValuesCacheAgreesWithTheRecorder() {
    ToggleRig rig(60);
    ValuesCache cache;
    for (int64_t t : {0, 5'000, 31'000, 31'000, 12'000, 59'000, 200'000, 3'000}) {
      QCOMPARE(cache.At(rig.recorder(), t), rig.recorder().ValuesAt(t));
    }
    rig.form->recorder().Restart(rig.m());
    for (int i = 0; i < 5; ++i) rig.form->Step_Click();
    const int64_t now = rig.recorder().EndTimeUs();
    QCOMPARE(cache.At(rig.recorder(), now), rig.recorder().ValuesAt(now));
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

QX9_PANEL_TEST_MAIN(qx9::test::TimelineTracesTest)
#include "timeline_traces_test.moc"
