// Run, Step and Step Over from the panel: the buttons, the keys whichever control has the focus, and
// Timer1's ticks paced by the clock.
#include <QKeyEvent>

#include "panel_rig.h"

namespace qx9::test {
namespace {

// Counts the key presses that reach a control.
class KeySpy : public QObject {
 public:
  int Presses = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) ++Presses;
    return false;
  }
};

// Timer1 driven by a clock the test moves: one wake-up per millisecond, as the real timer comes.
struct Clock {
  qint64 Ns = 0;
  void Attach(Form1& form) {
    form.timer1().setClock([this] { return Ns; });
  }
  void Advance(Form1& form, int ms, int wakeEveryMs = 1) {
    for (int t = 0; t < ms; t += wakeEveryMs) {
      Ns += qint64{wakeEveryMs} * 1'000'000;
      form.timer1().WakeUp();
    }
  }
};

// top: Let W0=W0+1 / Goto top. W0 counts the instructions run, two to a round.
ProgramBuilder Counter() {
  ProgramBuilder p;
  p.Label("top").Let(V("W0"), {{3, C(1)}}).Goto("top");
  return p;
}

// Gosub sub / Let W1=W1+1 / End / sub: Let W0=W0+1 (three times) / Return
ProgramBuilder WithSubroutine() {
  ProgramBuilder p;
  p.Gosub("sub").Let(V("W1"), {{3, C(1)}}).End();
  p.Label("sub").Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}}).Let(V("W0"), {{3, C(1)}}).Return();
  return p;
}

}  // namespace

class RunControlTest : public QObject {
  Q_OBJECT

 private slots:
  void keysActWhicheverControlHasTheFocus_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("throughWindow");
    for (const char* name : {"WBox0", "WBox7", "PotInput", "PulsIn", "StepOver"}) {
      QTest::newRow(name) << QString::fromLatin1(name) << false;
      QTest::newRow((std::string(name) + " via window").c_str()) << QString::fromLatin1(name) << true;
    }
  }
  void keysActWhicheverControlHasTheFocus() {
    QFETCH(QString, control);
    QFETCH(bool, throughWindow);
    PanelRig rig;
    rig.Load(Counter());
    QVERIFY(rig.Activate());
    QWidget* focus = rig.Get(control);
    focus->setFocus();
    QCOMPARE(QApplication::focusWidget(), focus);
    auto* edit = qobject_cast<QLineEdit*>(focus);
    const QString textBefore = edit != nullptr ? edit->text() : QString();
    KeySpy spy;
    focus->installEventFilter(&spy);
    auto press = [&](Qt::Key key) {
      if (throughWindow) {
        QTest::keyClick(rig.form->windowHandle(), key);
      } else {
        QTest::keyClick(focus, key);
      }
    };

    press(Qt::Key_F8);  // Step: Let W0=W0+1, preview Goto
    QCOMPARE(rig.m().Ram[0], 1);
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Goto")));
    press(Qt::Key_F10);  // Step Over on a Goto: a plain step
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Let")));
    QVERIFY(!rig.form->timer1().isEnabled());
    press(Qt::Key_F5);
    QVERIFY(rig.form->timer1().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
    press(Qt::Key_F5);
    QVERIFY(!rig.form->timer1().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));

    QCOMPARE(spy.Presses, 0);
    if (edit != nullptr && control.startsWith(QLatin1String("P"))) QCOMPARE(edit->text(), textBefore);
    // Other keys still reach the control.
    press(Qt::Key_A);
    QCOMPARE(spy.Presses, 1);
  }

  void keyHandlerClearsOnlyTheKeysItActedOn() {
    PanelRig rig;
    rig.Load(Counter());
    int key = Form1::kKeyF8;
    rig.form->Form_KeyDown(key);
    QCOMPARE(key, 0);
    QCOMPARE(rig.m().Ram[0], 1);
    key = 117;  // F6
    rig.form->Form_KeyDown(key);
    QCOMPARE(key, 117);
    QCOMPARE(rig.m().Ram[0], 1);
  }

  // Run and Stop by the button; the program runs one instruction per tick in between, and no more.
  void runTwice() {
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(Counter());
    QTest::mouseClick(rig.Button("RunBtn"), Qt::LeftButton);
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
    QCOMPARE(rig.m().Ram[0], 0);  // the click itself runs nothing
    clock.Advance(*rig.form, 10);
    QCOMPARE(rig.m().Ram[0], 5);
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Goto")));  // the instruction run last
    QTest::mouseClick(rig.Button("RunBtn"), Qt::LeftButton);
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QVERIFY(!rig.form->timer1().isEnabled());
    clock.Advance(*rig.form, 10);
    QCOMPARE(rig.m().Ram[0], 5);
  }

  void stepShowsTheNextInstruction() {
    PanelRig rig;
    rig.Load(Counter());
    QCOMPARE(rig.StateText(), QStringLiteral("Let W0=W0+1"));
    QTest::mouseClick(rig.Button("Step"), Qt::LeftButton);
    QCOMPARE(rig.m().Ram[0], 1);
    QCOMPARE(rig.WBox(0)->text(), QStringLiteral("0001"));
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Goto ")));
  }

  void stepOverAGosubRunsTheSubroutine() {
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(WithSubroutine());
    QTest::mouseClick(rig.Button("StepOver"), Qt::LeftButton);
    QVERIFY(rig.form->timer1().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    clock.Advance(*rig.form, 20);
    // Three Lets and the Return on ticks, then the instruction behind the call, and the run stops.
    QVERIFY(!rig.form->timer1().isEnabled());
    QCOMPARE(rig.m().Ram[0], 3);
    QCOMPARE(rig.m().Ram[1], 1);
    QCOMPARE(rig.m().StepOverTarget, 0);
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QCOMPARE(rig.StateText(), QStringLiteral("Let W1=W1+1"));
  }

  void stepOverAnotherInstructionIsAStep() {
    PanelRig rig;
    rig.Load(Counter());
    QTest::mouseClick(rig.Button("StepOver"), Qt::LeftButton);
    QCOMPARE(rig.m().Ram[0], 1);
    QVERIFY(!rig.form->timer1().isEnabled());
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Goto ")));
  }

  void f5DuringAStepOver() {
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(WithSubroutine());
    rig.form->StepOver_Click();
    clock.Advance(*rig.form, 1);  // first Let of the subroutine
    QCOMPARE(rig.m().Ram[0], 1);
    QTest::keyClick(rig.WBox(0), Qt::Key_F5);  // stops the step over, target kept
    QVERIFY(!rig.form->timer1().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QVERIFY(rig.m().StepOverTarget != 0);
    clock.Advance(*rig.form, 10);
    QCOMPARE(rig.m().Ram[0], 1);
    // A later run stops at the kept target, with the caption left at Stop.
    QTest::keyClick(rig.WBox(0), Qt::Key_F5);
    clock.Advance(*rig.form, 10);
    QVERIFY(!rig.form->timer1().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
    QCOMPARE(rig.m().Ram[1], 1);
    // Run again: the timer is off, so the button starts it.
    QTest::keyClick(rig.WBox(0), Qt::Key_F5);
    QVERIFY(rig.form->timer1().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
  }

  void endWhileRunning() {
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(ProgramBuilder().High(C(3)).End());
    rig.form->RunBtn_Click();
    clock.Advance(*rig.form, 5);
    QCOMPARE(rig.dialogs->Messages, std::vector<QString>{QStringLiteral("Program reached end -- Restarting")});
    QVERIFY(!rig.form->timer1().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    QCOMPARE(rig.WBox(7)->text(), QStringLiteral("0808"));
    // The next Step only resets and shows the first instruction; the one after executes it.
    rig.WBox(7)->setText(QStringLiteral("0000"));
    rig.form->Step_Click();
    QCOMPARE(rig.StateText(), QStringLiteral("High 3"));
    QCOMPARE(rig.m().Ram[7], 0);
    rig.form->Step_Click();
    QCOMPARE(rig.m().Ram[7], 0x0808);
    QCOMPARE(rig.StateText(), QStringLiteral("End"));
  }

  void endWhileStepping() {
    PanelRig rig;
    rig.Load(ProgramBuilder().High(C(3)).End());
    rig.form->Step_Click();
    QCOMPARE(rig.StateText(), QStringLiteral("End"));
    rig.form->Step_Click();
    QCOMPARE(rig.dialogs->Messages.size(), size_t{1});
    QCOMPARE(rig.StateText(), QStringLiteral("High 3"));
    QCOMPARE(rig.WBox(7)->text(), QStringLiteral("0808"));
    QVERIFY(!rig.form->timer1().isEnabled());
  }

  void pause100HoldsNineTicks() {
    PanelRig rig;
    rig.Load(ProgramBuilder().Label("top").Pause(C(100)).Let(V("W0"), {{3, C(1)}}).Goto("top"));
    rig.form->RunBtn_Click();
    rig.Ticks(1);  // Pause 100
    QCOMPARE(rig.m().WaitMs, 100);
    rig.Ticks(9);
    QCOMPARE(rig.m().Ram[0], 0);
    rig.Ticks(1);
    QCOMPARE(rig.m().Ram[0], 1);
  }

  // The ticks that count a wait come 10 ms apart, so a Pause lasts its time by the clock.
  void pauseLastsItsTimeByTheClock() {
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(ProgramBuilder().Label("top").Pause(C(1000)).Let(V("W0"), {{3, C(1)}}).Goto("top"));
    rig.form->RunBtn_Click();
    clock.Advance(*rig.form, 1);  // Pause 1000 at 1 ms
    const qint64 ticksAtPause = rig.form->timer1().ticksRun();
    clock.Advance(*rig.form, 999);
    QCOMPARE(rig.m().Ram[0], 0);
    clock.Advance(*rig.form, 1);
    QCOMPARE(rig.m().Ram[0], 1);
    QCOMPARE(rig.form->timer1().ticksRun() - ticksAtPause, 100);  // 10 ms of the wait each
  }

  void oneInstructionPerMillisecondWhateverTheWakeUps_data() {
    QTest::addColumn<int>("wakeEveryMs");
    QTest::newRow("every ms") << 1;
    QTest::newRow("every 3 ms") << 3;
    QTest::newRow("every 16 ms") << 16;
  }
  void oneInstructionPerMillisecondWhateverTheWakeUps() {
    QFETCH(int, wakeEveryMs);
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(Counter());
    rig.form->RunBtn_Click();
    clock.Advance(*rig.form, 48 * 20, wakeEveryMs);  // 960 ms
    QCOMPARE(rig.form->timer1().ticksRun(), 960);
    QCOMPARE(rig.m().Ram[0], 480);
  }

  // After a stall the timer catches up a bounded backlog, a bounded number of ticks at a time.
  void stallCatchUpIsCapped() {
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(Counter());
    rig.form->RunBtn_Click();
    clock.Ns += 5'000'000'000;  // five seconds without a wake-up
    rig.form->timer1().WakeUp();
    QCOMPARE(rig.form->timer1().ticksRun(), PacedTimer::kMaxTicksPerWakeUp);
    for (int i = 0; i < 100; ++i) rig.form->timer1().WakeUp();
    QVERIFY(rig.form->timer1().ticksRun() <= PacedTimer::kMaxLagMs + 1);
    // Then the pace is one tick per millisecond again.
    const qint64 before = rig.form->timer1().ticksRun();
    clock.Advance(*rig.form, 50);
    QCOMPARE(rig.form->timer1().ticksRun() - before, 50);
  }

  // Ticks that come while a prompt waits for the user find the machine busy and run nothing.
  void ticksDuringAPromptDoNothing() {
    PanelRig rig;
    Clock clock;
    clock.Attach(*rig.form);
    rig.Load(ProgramBuilder().Label("top").Pot(C(0), C(1), V("W0")).Let(V("W1"), {{3, C(1)}}).Goto("top"));
    rig.dialogs->Answers = {QStringLiteral("7")};
    qint64 ticksInside = 0;
    rig.dialogs->DuringModal = [&] {
      const qint64 before = rig.form->timer1().ticksRun();
      clock.Advance(*rig.form, 30);
      ticksInside = rig.form->timer1().ticksRun() - before;
      QCOMPARE(rig.m().Ram[1], 0);
      rig.dialogs->DuringModal = nullptr;
    };
    rig.form->RunBtn_Click();
    clock.Advance(*rig.form, 1);
    QCOMPARE(ticksInside, 30);
    QCOMPARE(rig.dialogs->Prompts.size(), size_t{1});
    QCOMPARE(rig.m().Ram[0], 7);
    QCOMPARE(rig.m().Ram[1], 0);
    clock.Advance(*rig.form, 1);
    QCOMPARE(rig.m().Ram[1], 1);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::RunControlTest)
#include "run_control_test.moc"
