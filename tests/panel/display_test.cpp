// Free runs drawn once a frame: a frame draws only what changed, the exact state shows at once when
// asked, typed words survive. Timer1's speeds: slow motion, real time, and as fast as possible.
#include "panel_rig.h"

namespace qx9::test {
namespace {

ProgramBuilder Counter() {
  ProgramBuilder p;
  p.Label("top").Let(V("W0"), {{3, C(1)}}).Goto("top");
  return p;
}

QString RawText(const PanelRig& rig, const QString& name) { return rig.Raw<QLineEdit>(name)->text(); }

// Widgets written by one Step of the counter after Typed went into W1 (empty: nothing typed).
struct WriteRow {
  const char* Name;
  QString Typed;
  int Writes;
  QString W1After;
};
const WriteRow kWrites[] = {
    {"Let: its word, its bytes, the preview", "", 3, "0000"},
    {"a typed word is taken and redrawn", "0012", 5, "0012"},
    {"text that is no number reads as 0", "zz", 4, "0000"},
};

}  // namespace

class DisplayTest : public QObject {
  Q_OBJECT

  // loop: Let W0=W0+1 / Goto loop; optionally a Pause 1000 first in the loop.
  static ProgramBuilder Loop(bool pause) {
    ProgramBuilder b;
    b.Label("loop");
    if (pause) b.Pause(C(1000));
    b.Let(V("W0"), {{3, C(1)}}).Goto("loop");
    return b;
  }

  // A panel at the given speed with the machine hooks the workbench gives the timer.
  struct SpeedRig : PanelRig {
    SpeedRig(const ProgramBuilder& program, PacedTimer::Speed speed, int rate = 10) : PanelRig(program) {
      Machine* machine = &m();
      Form1* panel = form.get();
      timer().setMachineHooks({[machine] { return static_cast<quint64>(machine->InstructionsExecuted); },
                               [machine] { machine->SkipIdleTicks(machine->IdleTicksAhead()); },
                               [panel](bool slice) { panel->SetRedrawDeferred(slice); }});
      timer().setSpeed(speed, rate);
      form->RunBtn_Click();
    }
  };

 private slots:
  // A free run draws nothing between frames; the frame draws the word, its bytes and the instruction.
  void runDrawsOncePerFrame() {
    PanelRig rig(Counter());
    const qint64 before = rig.form->display().WidgetWrites();
    rig.form->RunBtn_Click();
    rig.Advance(100);
    QCOMPARE(rig.m().Ram[0], 50);
    QCOMPARE(rig.form->display().WidgetWrites(), before);
    QVERIFY(rig.form->display().frameTimer().isActive());
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0000"));
    rig.form->display().Apply();  // the frame timer's handler
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0032"));
    QCOMPARE(rig.Raw<QLabel>("BVar0")->text(), QStringLiteral("B0=32   B1=00"));
    QCOMPARE(rig.form->display().WidgetWrites(), before + 3);
  }

  void stopShowsTheExactState() {
    PanelRig rig(Counter());
    rig.form->RunBtn_Click();
    rig.Advance(7);
    QTest::mouseClick(rig.Raw<QPushButton>("RunBtn"), Qt::LeftButton);
    QVERIFY(!rig.form->display().Pending());
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0004"));
    QCOMPARE(RawText(rig, "StateBox"), QString::fromStdString(rig.m().InstrText));
  }

  // A box opened in a free run opens over the exact state, though no frame was drawn since.
  void boxOpensOverTheExactState() {
    PanelRig rig(ProgramBuilder().High(C(3)).End());
    QString portAtMessage;
    rig.dialogs->OnMessage = [&] { portAtMessage = RawText(rig, "WBox7"); };
    rig.form->RunBtn_Click();
    rig.Advance(2);
    QCOMPARE(rig.dialogs->Messages.size(), size_t{1});
    QCOMPARE(portAtMessage, QStringLiteral("0808"));
  }

  void writesOnlyWhatChanged_data() { AddRows(kWrites); }
  void writesOnlyWhatChanged() {
    const WriteRow& r = Row(kWrites);
    PanelRig rig(Counter());
    if (!r.Typed.isEmpty()) rig.Raw<QLineEdit>("WBox1")->setText(r.Typed);
    const qint64 before = rig.form->display().WidgetWrites();
    rig.form->Step_Click();
    QCOMPARE(rig.form->display().WidgetWrites() - before, r.Writes);
    QCOMPARE(RawText(rig, "WBox1"), r.W1After);
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0001"));
  }

  // Words typed in a free run are not drawn over by the next frame, and the next instruction takes them.
  void typedDuringRunIsKept() {
    PanelRig rig(Counter());
    rig.form->RunBtn_Click();
    rig.Advance(4);
    rig.Raw<QLineEdit>("WBox0")->setText(QStringLiteral("0100"));
    rig.Raw<QLineEdit>("WBox1")->setText(QStringLiteral("0042"));
    rig.form->FlushPanel();  // the frame holds W0 as the core last had it
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0100"));
    rig.Advance(2);
    QCOMPARE(rig.m().Ram[0], 0x101);
    QCOMPARE(rig.m().Ram[1], 0x42);
    QCOMPARE(rig.Get<QLineEdit>("WBox1")->text(), QStringLiteral("0042"));
  }

  // The first tick comes 1 ms after Run; after it one instruction every 1/rate s.
  void slowMotionRunsTheChosenNumberASecond() {
    for (const int rate : {1, 10, 250, 999}) {
      SpeedRig rig(Loop(false), PacedTimer::Speed::SlowMotion, rate);
      rig.Advance(2000);
      QCOMPARE(rig.m().InstructionsExecuted, static_cast<quint64>(1 + (1999 * rate) / 1000));
    }
  }

  void slowMotionKeepsWaitsTheirRealLength() {
    SpeedRig rig(Loop(true), PacedTimer::Speed::SlowMotion, 999);
    rig.Advance(990);
    QCOMPARE(rig.m().Ram[0], 0);
    rig.Advance(30);
    QCOMPARE(rig.m().Ram[0], 1);
  }

  // With the clock standing still, one wake-up runs a bounded slice, its waits counted in simulated time
  // only, and redraws the panel once at its end; a word typed before the run is taken in.
  void asFastAsPossibleSpendsNoClockTimeOnWaits() {
    SpeedRig rig(Loop(true), PacedTimer::Speed::Fastest);
    rig.WBox(1)->setText(QStringLiteral("0005"));
    rig.timer().WakeUp();
    QVERIFY(rig.m().Ram[0] > 1000);
    QVERIFY(rig.m().SimTimeUs >= int64_t{1'000'000} * rig.m().Ram[0]);
    QCOMPARE(rig.ns, 0);
    QCOMPARE(rig.WBox(0)->text(), QString::fromStdString(WordBoxText(rig.m().Ram[0])));
    QCOMPARE(rig.m().Ram[1], 5);
    QCOMPARE(rig.WBox(1)->text(), QStringLiteral("0005"));
  }

  // An End's message box runs an event loop of its own: the wake-ups used to spin through ticks there.
  // The slice stops with the run, and the box shows the panel as the slice left it.
  void asFastAsPossibleRestsWhileAMessageIsOpen() {
    SpeedRig rig(ProgramBuilder().Let(V("W0"), {{3, C(1)}}).End(), PacedTimer::Speed::Fastest);
    rig.timer().setClock([&rig] { return rig.ns += 1000; });
    qint64 ticksInDialog = -1;
    QString w0AtMessage;
    rig.dialogs->OnMessage = [&] {
      w0AtMessage = rig.Raw<QLineEdit>(QStringLiteral("WBox0"))->text();
      const qint64 before = rig.timer().ticksRun();
      for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
      ticksInDialog = rig.timer().ticksRun() - before;
    };
    rig.timer().WakeUp();
    QCOMPARE(ticksInDialog, qint64{0});
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.m().InstructionsExecuted, 2u);  // the slice ends with the run
    QCOMPARE(rig.dialogs->Messages.size(), size_t{1});
    QCOMPARE(w0AtMessage, QStringLiteral("0001"));
  }

  // Slow motion at 1/s has its next tick up to a second ahead; real time must not wait for it.
  void backToRealTimeStartsAfreshAtOnce() {
    SpeedRig rig(Loop(false), PacedTimer::Speed::SlowMotion, 1);
    rig.Advance(1500);
    const quint64 before = rig.m().InstructionsExecuted;
    rig.timer().setSpeed(PacedTimer::Speed::RealTime);
    rig.Advance(10);
    QCOMPARE(rig.m().InstructionsExecuted - before, 10u);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DisplayTest)
#include "display_test.moc"
