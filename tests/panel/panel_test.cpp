// The window as designed (size, readable readouts), what it shows of the machine, and what its controls
// and keys do: each reaches the right core handler and the window shows what it hands back.
#include <QMenuBar>

#include "panel/contrast.h"
#include "panel_rig.h"

namespace qx9::test {
namespace {

bool Shows(QLabel* image, const char* path) {
  return image->pixmap().toImage() == QPixmap(QString::fromLatin1(path)).toImage();
}

// Counts the key presses that reach a control.
struct KeySpy : QObject {
  int Presses = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    Presses += event->type() == QEvent::KeyPress;
    return false;
  }
};

ProgramBuilder Program(const QString& name) {
  ProgramBuilder p;
  const std::vector<LetStep> plus1 = {{3, C(1)}};
  if (name == "counter") p.Label("top").Let(V("W0"), plus1).Goto("top");
  if (name == "count1") p.Label("top").Let(V("W1"), plus1).Goto("top");
  if (name == "sub") {
    p.Gosub("sub").Let(V("W1"), plus1).End().Label("sub");
    for (int i = 0; i < 3; ++i) p.Let(V("W0"), plus1);
    p.Return();
  }
  if (name == "high") p.High(C(3)).End();
  if (name == "pause1000") p.Label("top").Pause(C(1000)).Let(V("W1"), plus1).Goto("top");
  if (name == "lets") {
    for (int i = 0; i < 3; ++i) p.Let(V("W0"), plus1);
    p.Pause(C(100)).Let(V("W1"), plus1).End();
  }
  if (name == "pot") p.Pot(C(0), C(1), V("W0")).Pwm(C(3), C(128), C(10)).End();
  if (name == "pulsin") p.PulsIn(C(3), C(1), V("W0")).Pwm(C(3), C(128), C(10)).End();
  return p;
}

struct KeyRow {
  const char* Name;
  QString Control;
  bool ThroughWindow;
};
const KeyRow kKeys[] = {
    {"word box", "WBox0", false},
    {"value box via window", "PotInput", true},
};

// Actions, in turn: run / step / over (a click on the button), F5 (the key in a word box), ms:N (the
// clock moves on N ms). Then the state box starts with State, the Run button reads "Stop (F5)" if
// Stop, Timer1 runs if Running, W0, W1 and the port hold Words, and the program restarted Restarts times.
struct ScriptRow {
  const char* Name;
  QString Program, Actions, State;
  bool Stop, Running;
  QList<int> Words;
  int Restarts = 0;
};
const ScriptRow kScripts[] = {
    {"Run", "counter", "run ms:10", "Goto", true, true, {5, 0, 0}},
    {"Step Over a Gosub", "sub", "over ms:20", "Let W1=W1+1", false, false, {3, 1, 0}},
    {"F5 twice in a step over", "sub", "over ms:1 F5 F5 ms:10", "Let W1", true, false, {3, 1, 0}},
    {"End while running", "high", "run ms:5", "High 3", false, false, {0, 0, 0x808}, 1},
};

// One instruction a millisecond whatever the wake-ups; a wait lasts its time even behind late ticks.
// The time is when W1 reaches the count (the Let of count1 runs every other tick).
struct PacingRow {
  const char* Name;
  QString Program;
  int FirstWakeMs, WakeEveryUs, Count, FromMs, ToMs;
};
const PacingRow kPacing[] = {
    {"wake-ups every 16 ms", "count1", 16, 16000, 480, 960, 960},
    {"Pause 1000 on a late tick", "pause1000", 50, 1000, 1, 1049, 1049},
    {"Pause 1000, jittery wake-ups", "pause1000", 1, 900, 1, 1000, 1002},
    {"late Lets catch up, not the wait", "lets", 30, 1000, 1, 129, 129},
    // After a 5 s stall only 100 ms of backlog is caught up, 50 ticks a wake-up; then one a ms again.
    {"stall, capped per wake-up", "count1", 5000, 1000, 26, 5001, 5001},
    {"stall, capped backlog", "count1", 5000, 1000, 100, 5098, 5098},
};

struct PromptRow {
  const char* Name;
  QString Program, Box, Answer, Prompt;
  int W0;
};
const PromptRow kPrompts[] = {
    {"Pot in the box", "pot", "100", "", "", 100},
    {"PulsIn", "pulsin", "", "250", "Enter 10uS pulse length for pin 3", 250},
};

// The contrast between the darkest and the lightest pixel inside a grabbed control (frame left out).
double PixelContrast(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  QColor darkest = Qt::white;
  QColor lightest = Qt::black;
  for (int y = 3; y < image.height() - 3; ++y) {
    for (int x = 3; x < image.width() - 3; ++x) {
      const QColor c = image.pixelColor(x, y);
      if (RelativeLuminance(c) < RelativeLuminance(darkest)) darkest = c;
      if (RelativeLuminance(c) > RelativeLuminance(lightest)) lightest = c;
    }
  }
  return ContrastRatio(darkest, lightest);
}

}  // namespace

class PanelTest : public QObject {
  Q_OBJECT

 private slots:
  // One size only, no maximise, no menu bar, whatever is asked of it.
  void fixedSize() {
    PanelRig rig;
    rig.form->show();
    rig.form->resize(800, 600);
    QCOMPARE(rig.form->size(), QSize(426, 385));
    QCOMPARE(rig.form->maximumSize(), QSize(426, 385));
    QVERIFY(!(rig.form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(rig.form->findChild<QMenuBar*>() == nullptr);
  }

  // The instruction line and LastPWM used to be unreadable grey on grey: they look disabled, yet read
  // at 4.5:1 or more, in their palette and in their pixels.
  void readableReadouts_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("StateBox") << QStringLiteral("StateBox");
    QTest::newRow("LastPWM") << QStringLiteral("LastPWM");
  }
  void readableReadouts() {
    QFETCH(QString, name);
    PanelRig rig(ProgramBuilder().Pwm(C(3), C(128), C(10)).End());
    QVERIFY(std::abs(ContrastRatio(QColor(0x76, 0x76, 0x76), Qt::white) - 4.54) < 0.01);
    auto* box = rig.Get<QLineEdit>(name);
    box->setText(QStringLiteral("Let W0=W0+1"));
    QVERIFY(!box->isEnabled());
    const QPalette p = box->palette();
    const QColor text = p.color(QPalette::Disabled, QPalette::Text);
    QVERIFY(ContrastRatio(text, p.color(QPalette::Disabled, QPalette::Base)) >= 4.5);
    QVERIFY(text != p.color(QPalette::Active, QPalette::Text));
    QVERIFY2(PixelContrast(box) >= 4.5, qPrintable(QString::number(PixelContrast(box))));
  }

  // Words show in their boxes and byte labels; the port word lights its LEDs and locks the switches of
  // output pins. A click on a locked switch does nothing, one on another (in the window) sets its pin.
  void wordsLedsAndSwitches() {
    PanelRig rig(Program("counter"));
    rig.m().Ram[6] = 0xAB;
    rig.m().Ram[7] = -32767;  // 0x8001: pin 0 high, pin 7 an output
    rig.m().RefreshPanel();
    QCOMPARE(rig.WBox(6)->text(), QStringLiteral("00AB"));
    QCOMPARE(rig.WBox(7)->text(), QStringLiteral("8001"));
    QCOMPARE(rig.BVar(6)->text(), QStringLiteral("B12=AB  B13=00"));
    QCOMPARE(rig.BVar(7)->text(), QStringLiteral("Pins=01 Dirs=80"));
    for (int i = 0; i < 8; ++i) {
      QCOMPARE(Shows(rig.GLED(i), i == 0 ? ":/assets/led_on.png" : ":/assets/led_off.png"), true);
      QCOMPARE(rig.GInBtn(i)->isEnabled(), i != 7);
    }
    QTest::mouseClick(rig.GInBtn(7), Qt::LeftButton);
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[7]), 0x8001);
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QTest::mouseClick(rig.form->windowHandle(), Qt::LeftButton, {}, rig.GInBtn(3)->geometry().center());
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[7]), 0x8009);
    QVERIFY(Shows(rig.GInBtn(3), ":/assets/switch_up.png"));
    QVERIFY(Shows(rig.GLED(3), ":/assets/led_on.png"));
  }

  // F5, F8 and F10 are acted on at window level and never reach the focused control; other keys do.
  void keys_data() { AddRows(kKeys); }
  void keys() {
    const KeyRow& r = Row(kKeys);
    PanelRig rig(ProgramBuilder().Gosub("sub").Gosub("sub").End().Label("sub").Let(V("W0"), {{3, C(1)}}).Return());
    QVERIFY(rig.Activate());
    QWidget* focus = rig.Get(r.Control);
    focus->setFocus();
    QCOMPARE(QApplication::focusWidget(), focus);
    KeySpy spy;
    focus->installEventFilter(&spy);
    const auto press = [&](Qt::Key key) {
      r.ThroughWindow ? QTest::keyClick(rig.form->windowHandle(), key) : QTest::keyClick(focus, key);
    };
    press(Qt::Key_F8);  // Step into the first call
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Let W0")));
    QVERIFY(!rig.timer().isEnabled());
    press(Qt::Key_F8);
    press(Qt::Key_F8);  // back at the second call
    QCOMPARE(rig.m().Ram[0], 1);
    press(Qt::Key_F10);  // Step Over the call: the timer runs it
    QVERIFY(rig.timer().isEnabled());
    press(Qt::Key_F5);  // stops the step over
    QVERIFY(!rig.timer().isEnabled());
    press(Qt::Key_F5);
    QVERIFY(rig.timer().isEnabled());
    QCOMPARE(rig.RunCaption(), QStringLiteral("Stop (F5)"));
    QCOMPARE(spy.Presses, 0);
    press(Qt::Key_A);
    QCOMPARE(spy.Presses, 1);
  }

  void scripts_data() { AddRows(kScripts); }
  void scripts() {
    const ScriptRow& r = Row(kScripts);
    PanelRig rig(Program(r.Program));
    for (const QString& action : r.Actions.split(QLatin1Char(' '))) {
      if (action == QLatin1String("run")) QTest::mouseClick(rig.Button("RunBtn"), Qt::LeftButton);
      if (action == QLatin1String("step")) QTest::mouseClick(rig.Button("Step"), Qt::LeftButton);
      if (action == QLatin1String("over")) QTest::mouseClick(rig.Button("StepOver"), Qt::LeftButton);
      if (action == QLatin1String("F5")) QTest::keyClick(rig.WBox(0), Qt::Key_F5);
      if (action.startsWith(QLatin1String("ms:"))) rig.Advance(action.mid(3).toInt());
    }
    QVERIFY2(rig.StateText().startsWith(r.State), qPrintable(rig.StateText()));
    QCOMPARE(rig.RunCaption(), r.Stop ? QStringLiteral("Stop (F5)") : QStringLiteral("Run (F5)"));
    QCOMPARE(rig.timer().isEnabled(), r.Running);
    QCOMPARE(rig.m().Ram[0], r.Words[0]);
    QCOMPARE(rig.m().Ram[1], r.Words[1]);
    QCOMPARE(rig.m().Ram[7], r.Words[2]);
    for (int i : {0, 1, 7}) QCOMPARE(rig.WBox(i)->text().toInt(nullptr, 16), rig.m().Ram[i]);
    QCOMPARE(rig.dialogs->Messages,
             std::vector<QString>(r.Restarts, QStringLiteral("Program reached end -- Restarting")));
  }

  void pacing_data() { AddRows(kPacing); }
  void pacing() {
    const PacingRow& r = Row(kPacing);
    PanelRig rig(Program(r.Program));
    rig.form->RunBtn_Click();
    rig.ns = qint64{r.FirstWakeMs} * 1'000'000;
    rig.timer().WakeUp();
    while (rig.m().Ram[1] < r.Count && rig.ns < 10'000'000'000) {
      rig.ns += r.WakeEveryUs * qint64{1000};
      rig.timer().WakeUp();
    }
    QVERIFY2(rig.ns >= r.FromMs * qint64{1'000'000}, qPrintable(QString::number(rig.ns)));
    QVERIFY2(rig.ns <= r.ToMs * qint64{1'000'000}, qPrintable(QString::number(rig.ns)));
  }

  // A value in the box is taken without a prompt; the PWM's preview already shows its voltage.
  void prompts_data() { AddRows(kPrompts); }
  void prompts() {
    const PromptRow& r = Row(kPrompts);
    PanelRig rig(Program(r.Program));
    auto* input =
        rig.Get<QLineEdit>(r.Program == QLatin1String("pot") ? QStringLiteral("PotInput") : QStringLiteral("PulsIn"));
    input->setText(r.Box);
    rig.dialogs->PromptAnswers = {r.Answer};
    rig.form->Step_Click();
    QCOMPARE(rig.dialogs->Prompts, r.Prompt.isEmpty() ? std::vector<QString>() : std::vector<QString>{r.Prompt});
    QCOMPARE(rig.m().Ram[0], r.W0);
    QCOMPARE(input->text(), r.Box);
    QCOMPARE(rig.Get<QLineEdit>(QStringLiteral("LastPWM"))->text(), QStringLiteral("Pin3=2.51"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::PanelTest)
#include "panel_test.moc"
