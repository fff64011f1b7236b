#include "panel/tone_player.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace qx9 {

void WaitingTonePlayer::Tone(int /*frequencyHz*/, int durationMs) { Wait(durationMs); }

void WaitingTonePlayer::Rest(int durationMs) { Wait(durationMs); }

void WaitingTonePlayer::Wait(int durationMs) {
  if (durationMs <= 0) return;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
  // The clock decides when the time is up; the timer only wakes the loop, and any other event that
  // ends the loop early just leads to another round.
  for (qint64 left = durationMs; left > 0; left = durationMs - clock.elapsed()) {
    wake.start(static_cast<int>(left));
    // A negative result means the application is quitting and no event loop can run any more.
    if (loop.exec(QEventLoop::ExcludeUserInputEvents) < 0) return;
  }
}

}  // namespace qx9
