// The window as designed, its keys and switches, how a free run draws it, and Timer1's pacing and speeds.
#include "panel/contrast.h"
#include "panel_rig.h"

#include <QMenuBar>

namespace qx9::test {
namespace {

bool Shows(QLabel* image, const char* path) {
  return image->pixmap().toImage() == QPixmap(QString::fromLatin1(path)).toImage();
}

QString RawText(const PanelRig& rig, const QString& name) { return rig.Raw<QLineEdit>(name)->text(); }

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
  if (name == "pause1000") p.Label("top").Pause(C(1000)).Let(V("W1"), plus1).Goto("top");
  if (name == "paused counter") p.Label("top").Pause(C(1000)).Let(V("W0"), plus1).Goto("top");
  if (name == "lets") {
    for (int i = 0; i < 3; ++i) p.Let(V("W0"), plus1);
    p.Pause(C(100)).Let(V("W1"), plus1).End();
  }
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

// When W1 reaches Count: one instruction a ms whatever the wake-ups, waits their length behind late ticks.
struct PacingRow {
  const char* Name;
  QString Program;
  int FirstWakeMs, WakeEveryUs, Count, FromMs, ToMs;
};
const PacingRow kPacing[] = {
    {"wake-ups every 16 ms", "count1", 16, 16000, 480, 960, 960},
    {"Pause 1000 on a late tick", "pause1000", 50, 1000, 1, 1049, 1049},
    {"late Lets catch up, not the wait", "lets", 30, 1000, 1, 129, 129},
    // After a 5 s stall only 100 ms of backlog is caught up, 50 ticks a wake-up; then one a ms again.
    {"stall, capped per wake-up", "count1", 5000, 1000, 26, 5001, 5001},
    {"stall, capped backlog", "count1", 5000, 1000, 100, 5098, 5098},
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

  // A panel at the given speed with the machine hooks the workbench gives the timer.
  struct SpeedRig : PanelRig {
    SpeedRig(const ProgramBuilder& program, PacedTimer::Speed speed, int rate = 10) : PanelRig(program) {
      timer().setMachineHooks({[this] { return static_cast<quint64>(m().InstructionsExecuted); },
                               [this] { m().SkipIdleTicks(m().IdleTicksAhead()); },
                               [this](bool slice) { form->SetRedrawDeferred(slice); }});
      timer().setSpeed(speed, rate);
      form->RunBtn_Click();
    }
  };

 private slots:
  // The designed window has one size: no resize, no maximise, no menu bar.
  void fixedSize() {
    PanelRig rig;
    rig.form->show();
    rig.form->resize(800, 600);
    QCOMPARE(rig.form->size(), QSize(426, 385));
    QCOMPARE(rig.form->minimumSize(), QSize(426, 385));
    QVERIFY(!(rig.form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(rig.form->findChild<QMenuBar*>() == nullptr);
  }

  // The instruction line and LastPWM used to be unreadable grey on grey: 4.5:1 at least, drawn too.
  void readableReadouts_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("StateBox") << QStringLiteral("StateBox");
    QTest::newRow("LastPWM") << QStringLiteral("LastPWM");
  }
  void readableReadouts() {
    QFETCH(QString, name);
    PanelRig rig(ProgramBuilder().Pwm(C(3), C(128), C(10)).End());
    auto* box = rig.Get<QLineEdit>(name);
    box->setText(QStringLiteral("Let W0=W0+1"));
    QVERIFY(!box->isEnabled());
    const QPalette p = box->palette();
    const QColor text = p.color(QPalette::Disabled, QPalette::Text);
    QVERIFY(ContrastRatio(text, p.color(QPalette::Disabled, QPalette::Base)) >= 4.5);
    QVERIFY(text != p.color(QPalette::Active, QPalette::Text));
    QVERIFY2(PixelContrast(box) >= 4.5, qPrintable(QString::number(PixelContrast(box))));
  }

  // The port word in its box, label and LEDs; output pins lock their switches, a click sets another's pin.
  void portWordLedsAndSwitches() {
    PanelRig rig(Program("counter"));
    rig.m().Ram[7] = -32767;  // 0x8001: pin 0 high, pin 7 an output
    rig.m().RefreshPanel();
    QCOMPARE(rig.WBox(7)->text(), QStringLiteral("8001"));
    QCOMPARE(rig.BVar(7)->text(), QStringLiteral("Pins=01 Dirs=80"));
    QVERIFY(Shows(rig.GLED(0), ":/assets/led_on.png"));
    QVERIFY(!rig.GInBtn(7)->isEnabled());
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
    KeySpy spy;
    focus->installEventFilter(&spy);
    const auto press = [&](Qt::Key key) {
      r.ThroughWindow ? QTest::keyClick(rig.form->windowHandle(), key) : QTest::keyClick(focus, key);
    };
    press(Qt::Key_F8);  // Step into the first call
    QVERIFY(rig.StateText().startsWith(QStringLiteral("Let W0")));
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

  // A free run draws nothing between frames, the frame what changed; a stop draws the exact state.
  void runDrawsOncePerFrame() {
    PanelRig rig(Program("counter"));
    const qint64 before = rig.form->display().WidgetWrites();
    rig.form->RunBtn_Click();
    rig.Advance(100);
    QCOMPARE(rig.m().Ram[0], 50);
    QCOMPARE(rig.form->display().WidgetWrites(), before);
    QVERIFY(rig.form->display().frameTimer().isActive());
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0000"));
    rig.form->display().Apply();  // the frame timer's handler
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0032"));
    QCOMPARE(rig.form->display().WidgetWrites(), before + 3);
    rig.Advance(7);
    QTest::mouseClick(rig.Raw<QPushButton>("RunBtn"), Qt::LeftButton);
    QVERIFY(!rig.form->display().Pending());
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0036"));
    QCOMPARE(RawText(rig, "StateBox"), QString::fromStdString(rig.m().InstrText));
  }

  // Words typed in a free run are not drawn over by the next frame, and the next instruction takes them.
  void typedDuringRunIsKept() {
    PanelRig rig(Program("counter"));
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
      SpeedRig rig(Program("counter"), PacedTimer::Speed::SlowMotion, rate);
      rig.Advance(2000);
      QCOMPARE(rig.m().InstructionsExecuted, static_cast<quint64>(1 + (1999 * rate) / 1000));
    }
  }

  // One wake-up runs a slice, its waits in simulated time only, and redraws once; typed words are taken.
  void asFastAsPossibleSpendsNoClockTimeOnWaits() {
    SpeedRig rig(Program("paused counter"), PacedTimer::Speed::Fastest);
    rig.WBox(1)->setText(QStringLiteral("0005"));
    rig.timer().WakeUp();
    QVERIFY(rig.m().Ram[0] > 1000);
    QVERIFY(rig.m().SimTimeUs >= int64_t{1'000'000} * rig.m().Ram[0]);
    QCOMPARE(rig.ns, 0);
    QCOMPARE(rig.m().Ram[1], 5);
    QCOMPARE(rig.WBox(1)->text(), QStringLiteral("0005"));
  }

  // Wake-ups used to spin through ticks in an End's message box; the box shows the slice's panel.
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
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::PanelTest)
#include "panel_test.moc"
