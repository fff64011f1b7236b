#pragma once
// Timer1 of the front panel: ticks paced by a monotonic clock rather than by timer events.
//
// A Qt timer of 1 ms delivers only about 900 events a second here (every wait is rounded up to a whole
// millisecond and the lateness adds up), so its events only wake us up. Each wake-up runs every tick
// that is due by the clock, and each tick says when the next one is due, counted from when it was due
// itself, so lateness never accumulates; only a tick that counts part of a wait counts from when it
// ran, so a wait never shrinks behind a late tick. After a stall (a slow repaint, a suspended process) at most a
// bounded backlog is caught up, so the program does not race to make up for seconds it missed.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace qx9 {

class PacedTimer : public QObject {
  Q_OBJECT

 public:
  // Runs one tick and returns the milliseconds until the next tick is due (at least 1).
  using Tick = std::function<int()>;
  // Nanoseconds of a monotonic clock; tests substitute their own.
  using Clock = std::function<qint64()>;

  static constexpr qint64 kMaxLagMs = 100;       // backlog beyond this is dropped
  static constexpr int kMaxTicksPerWakeUp = 50;  // the rest of a backlog waits for the next wake-up

  explicit PacedTimer(Tick tick, Clock clock = {}, QObject* parent = nullptr);

  // Replaces the clock (tests); takes effect from the next enabling.
  void setClock(Clock clock) { now_ = std::move(clock); }

  bool isEnabled() const { return enabled_; }
  // Enabling starts the clock afresh: the first tick is due 1 ms later. Enabling an enabled timer
  // changes nothing, so a Run pressed during a run does not delay the next tick.
  void setEnabled(bool enabled);

  // One wake-up: runs the ticks that are due now. Re-entrant: a tick may open a modal dialog, whose
  // event loop wakes us up again; those nested ticks are due ticks like any other.
  void WakeUp();

  // Ticks run since the timer was created (for the benchmark and tests).
  qint64 ticksRun() const { return ticksRun_; }

 private:
  Tick tick_;
  Clock now_;
  QTimer wake_;
  QElapsedTimer elapsed_;
  qint64 dueNs_ = 0;
  qint64 ticksRun_ = 0;
  bool enabled_ = false;
};

}  // namespace qx9
