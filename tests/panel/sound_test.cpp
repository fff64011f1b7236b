// Sound on the panel: the tones and rests reach the tone player, and the waiting player holds the
// program and the user's input for the duration while timers keep running.
#include <QElapsedTimer>

#include "panel_rig.h"

namespace qx9::test {

class SoundTest : public QObject {
  Q_OBJECT

 private slots:
  void tonesAndRestsReachThePlayer() {
    PanelRig rig;
    // Sound 1,(100,5,0,10,): a tone of note 100 for 5 units, then a rest of 10 units.
    rig.Load(ProgramBuilder().Sound(C(1), {{C(5), C(100)}, {C(10), C(0)}}).End());
    rig.form->Step_Click();
    QCOMPARE(rig.tones->size(), size_t{2});
    QCOMPARE((*rig.tones)[0].FrequencyHz, NoteFrequency(100));
    QCOMPARE((*rig.tones)[0].DurationMs, 60);
    QCOMPARE((*rig.tones)[1].FrequencyHz, 0);
    QCOMPARE((*rig.tones)[1].DurationMs, 120);
  }

  // The one real wait of the suite: the waiting player's whole job is to take the time. (That clicks
  // and keys from the window system are held back is Qt's ExcludeUserInputEvents; a test cannot
  // inject such events without Qt's private API.)
  void waitingTakesTheTimeWhileTimersRun() {
    int timerEvents = 0;
    QTimer timer;
    timer.setInterval(2);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++timerEvents; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    WaitingTonePlayer().Tone(440, 40);
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 40 && took < 1000, qPrintable(QString::number(took)));
    QVERIFY(timerEvents >= 3);
  }

  void noWaitForNothing() {
    QElapsedTimer clock;
    clock.start();
    WaitingTonePlayer().Rest(0);
    WaitingTonePlayer().Rest(-5);
    QVERIFY(clock.elapsed() < 20);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::SoundTest)
#include "sound_test.moc"
