// The speeds of Timer1: slow motion paces instructions, real time keeps the designed pacing, and as fast
// as possible spends no clock time at all, waits included.
#include "panel_rig.h"

namespace qx9::test {

class SpeedTest : public QObject {
  Q_OBJECT

  // loop: Let W0=W0+1 / Goto loop; optionally a Pause 1000 first in the loop.
  static ProgramBuilder Loop(bool pause) {
    ProgramBuilder b;
    b.Label("loop");
    if (pause) b.Pause(C(1000));
    b.Let(V("W0"), {{3, C(1)}}).Goto("loop");
    return b;
  }

  static void Hook(PanelRig& rig) {
    Machine* m = &rig.m();
    Form1* form = rig.form.get();
    rig.timer().setMachineHooks({[m] { return static_cast<quint64>(m->InstructionsExecuted); },
                                 [m] { m->SkipIdleTicks(m->IdleTicksAhead()); },
                                 [form](bool slice) { form->SetRedrawDeferred(slice); }});
  }

 private slots:
  void slowMotionRunsTheChosenNumberASecond_data() {
    QTest::addColumn<int>("rate");
    QTest::newRow("1/s") << 1;
    QTest::newRow("10/s") << 10;
    QTest::newRow("250/s") << 250;
    QTest::newRow("999/s") << 999;
  }
  void slowMotionRunsTheChosenNumberASecond() {
    QFETCH(int, rate);
    PanelRig rig;
    Hook(rig);
    rig.timer().setSpeed(PacedTimer::Speed::SlowMotion, rate);
    rig.Load(Loop(false));
    rig.form->RunBtn_Click();
    rig.Advance(2000);
    // The first tick comes 1 ms after Run; after it one instruction every 1/rate s.
    const quint64 expected = static_cast<quint64>(1 + (1999 * rate) / 1000);
    QCOMPARE(rig.m().InstructionsExecuted, expected);
  }

  void slowMotionRatesOutsideTheSliderAreKeptInRange() {
    PanelRig rig;
    rig.timer().setSpeed(PacedTimer::Speed::SlowMotion, 0);
    QCOMPARE(rig.timer().slowRate(), 1);
    rig.timer().setSpeed(PacedTimer::Speed::SlowMotion, 5000);
    QCOMPARE(rig.timer().slowRate(), 999);
  }

  void slowMotionKeepsWaitsTheirRealLength() {
    PanelRig rig;
    Hook(rig);
    rig.timer().setSpeed(PacedTimer::Speed::SlowMotion, 999);
    rig.Load(Loop(true));
    rig.form->RunBtn_Click();
    rig.Advance(990);
    QCOMPARE(rig.m().Ram[0], 0);
    rig.Advance(30);
    QCOMPARE(rig.m().Ram[0], 1);
  }

  void asFastAsPossibleSpendsNoClockTimeOnWaits() {
    PanelRig rig;
    Hook(rig);
    rig.timer().setSpeed(PacedTimer::Speed::Fastest);
    rig.Load(Loop(true));
    rig.form->RunBtn_Click();
    rig.timer().WakeUp();  // the clock stands still: one wake-up runs a bounded slice
    QVERIFY(rig.m().Ram[0] > 1000);
    // Each pass is a Pause 1000 and two instructions: the simulated clock counts every second.
    QVERIFY(rig.m().SimTimeUs >= int64_t{1'000'000} * rig.m().Ram[0]);
    QCOMPARE(rig.ns, 0);
  }

  // A slice redraws the panel once, at its end, with the state it ended in.
  void asFastAsPossibleRedrawsThePanelAfterTheSlice() {
    PanelRig rig;
    Hook(rig);
    rig.timer().setSpeed(PacedTimer::Speed::Fastest);
    rig.Load(Loop(false));
    rig.WBox(1)->setText(QStringLiteral("0005"));  // typed before the run: taken in
    rig.form->RunBtn_Click();
    rig.timer().WakeUp();
    QVERIFY(rig.m().InstructionsExecuted > 1000);
    QCOMPARE(rig.WBox(0)->text(), QString::fromStdString(WordBoxText(rig.m().Ram[0])));
    QCOMPARE(rig.WBox(1)->text(), QStringLiteral("0005"));
    QCOMPARE(rig.m().Ram[1], 5);
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Let W0")) || rig.StateText().startsWith(QStringLiteral("Goto")));
  }

  void asFastAsPossibleStopsWhenTheRunStops() {
    PanelRig rig;
    Hook(rig);
    rig.timer().setSpeed(PacedTimer::Speed::Fastest);
    ProgramBuilder b;
    b.Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}}).End();
    rig.Load(b);
    rig.dialogs->Messages.clear();
    rig.form->RunBtn_Click();
    rig.timer().WakeUp();
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.m().InstructionsExecuted, 3u);
    QCOMPARE(rig.dialogs->Messages.size(), size_t{1});
  }

  // An End's message box runs an event loop of its own; the run's wake-ups must rest meanwhile, or they
  // would spin through ticks that cannot run a cycle, each counting a millisecond.
  void asFastAsPossibleRestsWhileAMessageIsOpen() {
    struct LoopingDialogs final : Dialogs {
      std::function<void()> During;
      void ShowSplash() override {}
      void MessageBox(QWidget*, const QString&) override { During(); }
      std::optional<QString> Prompt(QWidget*, const QString&) override { return std::nullopt; }
      std::optional<QString> OpenObjectFile(QWidget*) override { return std::nullopt; }
    };
    auto owned = std::make_unique<LoopingDialogs>();
    LoopingDialogs* dialogs = owned.get();
    Form1 form(std::move(owned), std::make_unique<SilentTones>());
    qint64 ns = 0;
    form.timer1().setClock([&ns] { return ns += 1000; });
    form.timer1().setSpeed(PacedTimer::Speed::Fastest);
    qint64 ticksInDialog = -1;
    QString w0AtMessage;
    dialogs->During = [&] {
      w0AtMessage = form.findChild<QLineEdit*>(QStringLiteral("WBox0"))->text();
      const qint64 before = form.timer1().ticksRun();
      for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
      ticksInDialog = form.timer1().ticksRun() - before;
    };
    ProgramBuilder b;
    b.Let(V("W0"), {{3, C(1)}}).End();
    form.machine().LoadImage(b.Build());
    form.show();
    form.machine().StartProgram();
    form.RunBtn_Click();
    form.timer1().WakeUp();
    QCOMPARE(ticksInDialog, qint64{0});
    QVERIFY(!form.timer1().isEnabled());
    // The message shows over the panel as the slice left it, not as it found it.
    QCOMPARE(w0AtMessage, QStringLiteral("0001"));
  }

  // Slow motion at 1/s has its next tick up to a second ahead; real time must not wait for it.
  void backToRealTimeStartsAfreshAtOnce() {
    PanelRig rig;
    Hook(rig);
    rig.timer().setSpeed(PacedTimer::Speed::SlowMotion, 1);
    rig.Load(Loop(false));
    rig.form->RunBtn_Click();
    rig.Advance(1500);
    const quint64 before = rig.m().InstructionsExecuted;
    rig.timer().setSpeed(PacedTimer::Speed::RealTime);
    rig.Advance(10);
    QCOMPARE(rig.m().InstructionsExecuted - before, 10u);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::SpeedTest)
#include "speed_test.moc"
