// Waits on the paced Timer1 when ticks come late: a Pause keeps its real length.
#include "panel_rig.h"

namespace qx9::test {

class PacedWaitTest : public QObject {
  Q_OBJECT

  qint64 ns_ = 0;
  void Attach(Form1& form) {
    form.timer1().setClock([this] { return ns_; });
  }
  // Wake-ups every wakeEveryMs, each at its time.
  void Advance(Form1& form, int ms, int wakeEveryMs = 1) {
    for (int t = 0; t < ms; t += wakeEveryMs) {
      ns_ += qint64{wakeEveryMs} * 1'000'000;
      form.timer1().WakeUp();
    }
  }
  qint64 NowMs() const { return ns_ / 1'000'000; }

 private slots:
  void init() { ns_ = 0; }

  // The tick that runs Pause 1000 comes 50 ms late (the first wake-up after Run is at 50 ms): the
  // wait still lasts 1000 ms from then, where catching up on the missed ticks would have cut 40 ms.
  void aLateTickDoesNotShortenThePause() {
    PanelRig rig;
    Attach(*rig.form);
    rig.Load(ProgramBuilder().Label("top").Pause(C(1000)).Let(V("W0"), {{3, C(1)}}).Goto("top"));
    rig.form->RunBtn_Click();
    ns_ = 50'000'000;
    rig.form->timer1().WakeUp();
    QCOMPARE(rig.m().WaitMs, 1000);
    QCOMPARE(rig.form->timer1().ticksRun(), qint64{1});  // no backlog counted off the wait
    Advance(*rig.form, 998);
    QCOMPARE(rig.m().Ram[0], 0);
    Advance(*rig.form, 1);
    QCOMPARE(rig.m().Ram[0], 1);  // 999 ms after the Pause ran: the last 10 ms tick runs the Let
  }

  // The same late start in the middle of a program that does not wait: its instructions still catch up
  // (one per millisecond by the clock), only the wait is counted from its tick.
  void instructionsStillCatchUpAroundAWait() {
    PanelRig rig;
    Attach(*rig.form);
    // Let x3, Pause 100, Let: W0 counts the instructions before the wait.
    rig.Load(ProgramBuilder()
                 .Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}})
                 .Pause(C(100)).Let(V("W1"), {{3, C(1)}}).End());
    rig.form->RunBtn_Click();
    ns_ = 30'000'000;
    rig.form->timer1().WakeUp();  // due at 1, 2, 3 and 4 ms: the Lets and the Pause, late
    QCOMPARE(rig.m().Ram[0], 3);
    QCOMPARE(rig.m().WaitMs, 100);
    Advance(*rig.form, 98);
    QCOMPARE(rig.m().Ram[1], 0);
    Advance(*rig.form, 1);
    QCOMPARE(rig.m().Ram[1], 1);
    QCOMPARE(NowMs(), qint64{129});
  }

  // Ticks that wake up a little late each time, as a real timer does, do not stretch a wait: only
  // lateness beyond one wake-up period is counted.
  void ordinaryJitterDoesNotStretchAWait() {
    PanelRig rig;
    Attach(*rig.form);
    rig.Load(ProgramBuilder().Label("top").Pause(C(1000)).Let(V("W0"), {{3, C(1)}}).Goto("top"));
    rig.form->RunBtn_Click();
    Advance(*rig.form, 1);  // Pause at 1 ms
    // Wake-ups every 0.9 ms are each up to 0.9 ms late for a tick due on the millisecond.
    int wakeUps = 0;
    while (rig.m().Ram[0] == 0 && wakeUps < 2000) {
      ns_ += 900'000;
      rig.form->timer1().WakeUp();
      ++wakeUps;
    }
    QVERIFY2(ns_ >= 1'000'000'000 && ns_ <= 1'002'000'000, qPrintable(QString::number(ns_)));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::PacedWaitTest)
#include "paced_wait_test.moc"
