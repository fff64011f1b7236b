// Run, Step and Step Over from the panel (the buttons, and the keys whichever control has the focus),
// Timer1's ticks paced by the clock, the prompts and the tones: that each control reaches the right
// core handler and the window shows what the core hands it. The core's own tests cover the semantics.
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

ProgramBuilder Program(const QString& name) {
  ProgramBuilder p;
  const std::vector<LetStep> plus1 = {{3, C(1)}};
  if (name == "counter") p.Label("top").Let(V("W0"), plus1).Goto("top");  // W0 counts rounds of two
  if (name == "count1") p.Label("top").Let(V("W1"), plus1).Goto("top");
  if (name == "sub") {
    p.Gosub("sub").Let(V("W1"), plus1).End();
    p.Label("sub").Let(V("W0"), plus1).Let(V("W0"), plus1).Let(V("W0"), plus1).Return();
  }
  if (name == "twocalls") p.Gosub("sub").Gosub("sub").End().Label("sub").Let(V("W0"), plus1).Return();
  if (name == "high") p.High(C(3)).End();
  if (name == "pause100") p.Label("top").Pause(C(100)).Let(V("W0"), plus1).Goto("top");
  if (name == "pause1000") p.Label("top").Pause(C(1000)).Let(V("W1"), plus1).Goto("top");
  if (name == "lets") p.Let(V("W0"), plus1).Let(V("W0"), plus1).Let(V("W0"), plus1).Pause(C(100)).Let(V("W1"), plus1).End();
  if (name == "pot") p.Pot(C(0), C(1), V("W0")).Pwm(C(3), C(128), C(10)).End();
  if (name == "pulsin") p.PulsIn(C(3), C(1), V("W0")).Pwm(C(3), C(128), C(10)).End();
  return p;
}

}  // namespace

class RunControlTest : public QObject {
  Q_OBJECT

 private slots:
  // F5, F8 and F10 are acted on at window level and never reach the focused control; other keys do.
  void keys_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("throughWindow");
    for (const char* name : {"WBox0", "WBox7", "PotInput", "PulsIn", "StepOver"}) {
      QTest::newRow(name) << QString::fromLatin1(name) << false;
      QTest::addRow("%s via window", name) << QString::fromLatin1(name) << true;
    }
  }
  void keys() {
    QFETCH(QString, control);
    QFETCH(bool, throughWindow);
    PanelRig rig;
    rig.Load(Program("twocalls"));
    QVERIFY(rig.Activate());
    QWidget* focus = rig.Get(control);
    focus->setFocus();
    QCOMPARE(QApplication::focusWidget(), focus);
    auto* edit = qobject_cast<QLineEdit*>(focus);
    const QString textBefore = edit != nullptr ? edit->text() : QString();
    KeySpy spy;
    focus->installEventFilter(&spy);
    const auto press = [&](Qt::Key key) {
      if (throughWindow) QTest::keyClick(rig.form->windowHandle(), key);
      else QTest::keyClick(focus, key);
    };
    press(Qt::Key_F8);  // Step into the first call
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Let W0")));
    QVERIFY(!rig.timer().isEnabled());
    press(Qt::Key_F8);
    press(Qt::Key_F8);  // back at the second call
    QCOMPARE(rig.m().Ram[0], 1);
    press(Qt::Key_F10);  // Step Over the call: the timer runs it
    QVERIFY(rig.timer().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Run (F5)"));
    press(Qt::Key_F5);  // stops the step over
    QVERIFY(!rig.timer().isEnabled());
    press(Qt::Key_F5);
    QVERIFY(rig.timer().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
    QCOMPARE(spy.Presses, 0);
    if (edit != nullptr && control.startsWith(QLatin1String("P"))) QCOMPARE(edit->text(), textBefore);
    press(Qt::Key_A);
    QCOMPARE(spy.Presses, 1);
  }

  // Actions, in turn: run / step / over (a click on the button), F5 (the key in a word box), ms:N (the
  // clock moves on N ms), tick:N (N calls of Timer1's handler), w7:TEXT (typed into the port's box).
  void scripts_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("state");  // what the state box starts with
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QList<int>>("words");  // W0, W1, port
    QTest::addColumn<int>("restarts");
    const QString run = QStringLiteral("Run (F5)"), stop = QStringLiteral("Stop (F5)");
    using W = QList<int>;
    QTest::newRow("Run") << "counter" << "run ms:10" << "Goto" << stop << true << W{5, 0, 0} << 0;
    QTest::newRow("Run twice") << "counter" << "run ms:10 run ms:10" << "Goto" << run << false << W{5, 0, 0} << 0;
    QTest::newRow("Step") << "counter" << "step" << "Goto" << run << false << W{1, 0, 0} << 0;
    QTest::newRow("Step into a Gosub") << "sub" << "step" << "Let W0" << run << false << W{0, 0, 0} << 0;
    QTest::newRow("Step Over a Gosub") << "sub" << "over" << "Let W0" << run << true << W{0, 0, 0} << 0;
    QTest::newRow("... to its end") << "sub" << "over ms:20" << "Let W1=W1+1" << run << false << W{3, 1, 0} << 0;
    QTest::newRow("Step Over another") << "counter" << "over" << "Goto" << run << false << W{1, 0, 0} << 0;
    QTest::newRow("F5 in a step over") << "sub" << "over ms:1 F5 ms:10" << "Let W0" << run << false << W{1, 0, 0} << 0;
    QTest::newRow("... runs to the target") << "sub" << "over ms:1 F5 F5 ms:10" << "Let W1" << stop << false
                                            << W{3, 1, 0} << 0;
    QTest::newRow("... then runs again") << "sub" << "over ms:1 F5 F5 ms:10 F5" << "Let W1" << stop << true
                                         << W{3, 1, 0} << 0;
    QTest::newRow("End while running") << "high" << "run ms:5" << "High 3" << run << false << W{0, 0, 0x808} << 1;
    QTest::newRow("... Step shows the first") << "high" << "run ms:5 w7:0 step" << "High 3" << run << false
                                              << W{0, 0, 0} << 1;
    QTest::newRow("... and Step runs it") << "high" << "run ms:5 w7:0 step step" << "End" << run << false
                                          << W{0, 0, 0x808} << 1;
    QTest::newRow("End while stepping") << "high" << "step step" << "High 3" << run << false << W{0, 0, 0x808} << 1;
    QTest::newRow("Pause 100 holds") << "pause100" << "run tick:10" << "Pause" << stop << true << W{0, 0, 0} << 0;
    QTest::newRow("... for 9 ticks") << "pause100" << "run tick:11" << "Let" << stop << true << W{1, 0, 0} << 0;
  }
  void scripts() {
    QFETCH(QString, program);
    QFETCH(QString, actions);
    QFETCH(QString, state);
    QFETCH(QString, caption);
    QFETCH(bool, running);
    QFETCH(QList<int>, words);
    QFETCH(int, restarts);
    PanelRig rig;
    rig.Load(Program(program));
    for (const QString& action : actions.split(QLatin1Char(' '))) {
      const QString arg = action.section(QLatin1Char(':'), 1);
      if (action == QLatin1String("run")) QTest::mouseClick(rig.Button("RunBtn"), Qt::LeftButton);
      if (action == QLatin1String("step")) QTest::mouseClick(rig.Button("Step"), Qt::LeftButton);
      if (action == QLatin1String("over")) QTest::mouseClick(rig.Button("StepOver"), Qt::LeftButton);
      if (action == QLatin1String("F5")) QTest::keyClick(rig.WBox(0), Qt::Key_F5);
      if (action.startsWith(QLatin1String("ms:"))) rig.Advance(arg.toInt());
      if (action.startsWith(QLatin1String("tick:"))) for (int i = arg.toInt(); i > 0; --i) rig.form->Timer1_Timer();
      if (action.startsWith(QLatin1String("w7:"))) rig.WBox(7)->setText(arg);
    }
    QVERIFY2(rig.StateText().startsWith(state), qPrintable(rig.StateText()));
    QCOMPARE(rig.RunCaption(), caption);
    QCOMPARE(rig.timer().isEnabled(), running);
    QCOMPARE((QList<int>{rig.m().Ram[0], rig.m().Ram[1], rig.m().Ram[7]}), words);
    for (int i : {0, 1, 7}) QCOMPARE(rig.WBox(i)->text().toInt(nullptr, 16), rig.m().Ram[i]);
    QCOMPARE(rig.dialogs->Messages, std::vector<QString>(restarts, QStringLiteral("Program reached end -- Restarting")));
  }

  // Ticks by the clock: one instruction a millisecond whatever the wake-ups, and a tick that leaves a
  // wait pending counts 10 ms of it from when it ran, so a wait lasts its time even behind late ticks.
  // The time is when W1 reaches the count (the Let of count1 runs every other tick).
  void pacing_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("firstWakeMs");
    QTest::addColumn<int>("wakeEveryUs");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("fromMs");
    QTest::addColumn<int>("toMs");
    QTest::newRow("wake-ups every ms") << "count1" << 1 << 1000 << 480 << 959 << 959;
    QTest::newRow("every 3 ms") << "count1" << 3 << 3000 << 480 << 960 << 960;
    QTest::newRow("every 16 ms") << "count1" << 16 << 16000 << 480 << 960 << 960;
    QTest::newRow("Pause 1000") << "pause1000" << 1 << 1000 << 1 << 1001 << 1001;
    QTest::newRow("Pause 1000 on a late tick") << "pause1000" << 50 << 1000 << 1 << 1049 << 1049;
    QTest::newRow("Pause 1000, jittery wake-ups") << "pause1000" << 1 << 900 << 1 << 1000 << 1002;
    QTest::newRow("late Lets catch up, not the wait") << "lets" << 30 << 1000 << 1 << 129 << 129;
    // After a 5 s stall only 100 ms of backlog is caught up, 50 ticks a wake-up; then one a ms again.
    QTest::newRow("stall, first wake-up") << "count1" << 5000 << 1000 << 25 << 5000 << 5000;
    QTest::newRow("stall, capped per wake-up") << "count1" << 5000 << 1000 << 26 << 5001 << 5001;
    QTest::newRow("stall, capped backlog") << "count1" << 5000 << 1000 << 100 << 5098 << 5098;
  }
  void pacing() {
    QFETCH(QString, program);
    QFETCH(int, firstWakeMs);
    QFETCH(int, wakeEveryUs);
    QFETCH(int, count);
    QFETCH(int, fromMs);
    QFETCH(int, toMs);
    PanelRig rig;
    rig.Load(Program(program));
    rig.form->RunBtn_Click();
    rig.ns = qint64{firstWakeMs} * 1'000'000;
    rig.timer().WakeUp();
    while (rig.m().Ram[1] < count && rig.ns < 10'000'000'000) {
      rig.ns += wakeEveryUs * qint64{1000};
      rig.timer().WakeUp();
    }
    QVERIFY2(rig.ns >= fromMs * qint64{1'000'000} && rig.ns <= toMs * qint64{1'000'000}, qPrintable(QString::number(rig.ns)));
  }

  // The prompt asks through the dialogs with the core's text; a value in the box is taken without one.
  void prompts_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("box");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<int>("w0");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("message");
    const QString pot = QStringLiteral("Pot value for pin 0");
    const QString bad = QStringLiteral("Enter a whole number from -32768 to 32767");
    QTest::newRow("a value") << "pot" << "" << Answers{QStringLiteral("42")} << 42 << pot << "";
    QTest::newRow("Cancel") << "pot" << "" << Answers{std::nullopt} << 5 << pot << "";
    QTest::newRow("bad text") << "pot" << "" << Answers{QStringLiteral("4x")} << 5 << pot << bad;
    QTest::newRow("in the box") << "pot" << "100" << Answers{} << 100 << "" << "";
    QTest::newRow("PulsIn") << "pulsin" << "" << Answers{QStringLiteral("250")} << 250
                            << "Enter 10uS pulse length for pin 3" << "";
    QTest::newRow("PulsIn in the box") << "pulsin" << "9" << Answers{} << 9 << "" << "";
  }
  void prompts() {
    QFETCH(QString, program);
    QFETCH(QString, box);
    QFETCH(Answers, answers);
    QFETCH(int, w0);
    QFETCH(QString, prompt);
    QFETCH(QString, message);
    PanelRig rig;
    rig.Load(Program(program));
    rig.WBox(0)->setText(QStringLiteral("0005"));
    auto* input = rig.Get<QLineEdit>(program == QLatin1String("pot") ? QStringLiteral("PotInput") : QStringLiteral("PulsIn"));
    input->setText(box);
    rig.dialogs->PromptAnswers = answers;
    rig.form->Step_Click();
    QCOMPARE(rig.dialogs->Prompts, prompt.isEmpty() ? std::vector<QString>{} : std::vector<QString>{prompt});
    QCOMPARE(rig.dialogs->Messages, message.isEmpty() ? std::vector<QString>{} : std::vector<QString>{message});
    QCOMPARE(rig.m().Ram[0], w0);
    QCOMPARE(input->text(), box);
    // The program goes on; the preview of the PWM already shows its voltage.
    QCOMPARE(rig.Get<QLineEdit>(QStringLiteral("LastPWM"))->text(), QStringLiteral("Pin3=2.51"));
  }

  void tonesAndRestsReachThePlayer() {
    PanelRig rig;
    // Sound 1,(100,5,0,10): a tone of note 100 for 5 units, then a rest of 10 units.
    rig.Load(ProgramBuilder().Sound(C(1), {{C(5), C(100)}, {C(10), C(0)}}).End());
    rig.form->Step_Click();
    QCOMPARE(rig.tones->Calls, (std::vector<std::pair<int, int>>{{NoteFrequency(100), 60}, {0, 120}}));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::RunControlTest)
#include "run_control_test.moc"
