#pragma once
// Timer1 of the front panel: ticks paced by a monotonic clock rather than by timer events.
//
// A Qt timer of 1 ms delivers only about 900 events a second here (every wait is rounded up to a whole
// millisecond and the lateness adds up), so its events only wake us up. Each wake-up runs every tick
// that is due by the clock, and each tick says when the next one is due, counted from when it was due
// itself, so lateness never accumulates; only a tick that counts part of a wait counts from when it
// ran, so a wait never shrinks behind a late tick. After a stall (a slow repaint, a suspended process) at most a
// bounded backlog is caught up, so the program does not race to make up for seconds it missed.
//
// Three speeds: real time (the pacing above), slow motion (an executed instruction is followed by
// 1/N s instead of 1 ms; waits keep their real length) and as fast as possible (no clock at all: the
// ticks of a wait are skipped at once and ticks run back to back in slices, between which the event
// loop redraws the windows).

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
  static constexpr qint64 kFastSliceMs = 12;     // as fast as possible gives the event loop a turn this often
  static constexpr int kMaxFastTicks = 1 << 18;  // ... or after this many ticks, should the clock stand still
  static constexpr int kMinSlowRate = 1;         // slow motion, instructions per second
  static constexpr int kMaxSlowRate = 999;

  enum class Speed { SlowMotion, RealTime, Fastest };
  // What slow motion and as fast as possible need to know of the machine: the instructions executed
  // so far, and skipping the ticks that would only count a wait down.
  struct MachineHooks {
    std::function<quint64()> Executed;
    std::function<void()> SkipIdle;
    // Told true before a slice of as fast as possible and false after it, so the windows redraw once.
    std::function<void(bool)> FastSlice;
  };

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

  void setMachineHooks(MachineHooks hooks) { hooks_ = std::move(hooks); }
  // The rate is kept within 1..999 and only used in slow motion. A change takes effect at once, without
  // a backlog to catch up.
  void setSpeed(Speed speed, int slowRate = 10);
  Speed speed() const { return speed_; }
  int slowRate() const { return slowRate_; }

 private:
  void RunFast();
  // Runs one tick and returns when the next is due, counted from `due`.
  qint64 RunTick(qint64 due);

  Tick tick_;
  Clock now_;
  QTimer wake_;
  QElapsedTimer elapsed_;
  qint64 dueNs_ = 0;
  qint64 ticksRun_ = 0;
  bool enabled_ = false;
  bool waitPending_ = false;  // the last tick left a wait pending
  Speed speed_ = Speed::RealTime;
  int slowRate_ = 10;
  MachineHooks hooks_;
};

}  // namespace qx9
