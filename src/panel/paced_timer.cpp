#include "panel/paced_timer.h"

#include <algorithm>

namespace qx9 {

namespace {
constexpr qint64 kNsPerMs = 1'000'000;
}

PacedTimer::PacedTimer(Tick tick, Clock clock, QObject* parent)
    : QObject(parent), tick_(std::move(tick)), now_(std::move(clock)) {
  if (!now_) {
    elapsed_.start();
    now_ = [this] { return elapsed_.nsecsElapsed(); };
  }
  // The wake-up timer only has to come often enough; PreciseTimer keeps it from being coalesced.
  wake_.setTimerType(Qt::PreciseTimer);
  wake_.setInterval(1);
  connect(&wake_, &QTimer::timeout, this, &PacedTimer::WakeUp);
}

void PacedTimer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    dueNs_ = now_() + kNsPerMs;
    wake_.start();
  } else {
    wake_.stop();
  }
}

void PacedTimer::setSpeed(Speed speed, int slowRate) {
  speed_ = speed;
  slowRate_ = std::clamp(slowRate, kMinSlowRate, kMaxSlowRate);
  // As fast as possible wants a turn as soon as the event loop is idle; the others wake up each ms.
  wake_.setInterval(speed == Speed::Fastest ? 0 : 1);
  if (enabled_) dueNs_ = now_() + kNsPerMs;
}

qint64 PacedTimer::RunTick(qint64 due) {
  const quint64 executedBefore = hooks_.Executed ? hooks_.Executed() : 0;
  const int nextMs = std::max(1, tick_());
  waitPending_ = nextMs > 1;  // the tick says a wait is pending by asking for more than 1 ms
  if (speed_ == Speed::SlowMotion && hooks_.Executed && hooks_.Executed() != executedBefore) {
    return due + 1'000'000'000 / slowRate_;
  }
  return due + nextMs * kNsPerMs;
}

// Ticks back to back for one slice; the clock only bounds the slice, it paces nothing. The wake-up timer
// rests meanwhile: a tick that opens a modal dialog (an End's message) must not have the dialog's event
// loop spin through nested slices of ticks that cannot run a cycle, each counting a millisecond.
void PacedTimer::RunFast() {
  wake_.stop();
  const qint64 start = now_();
  if (hooks_.FastSlice) hooks_.FastSlice(true);
  int ran = 0;
  do {
    for (int i = 0; i < 256 && enabled_; ++i) {
      if (hooks_.SkipIdle) hooks_.SkipIdle();
      ++ticksRun_;
      tick_();
    }
    ran += 256;
  } while (enabled_ && speed_ == Speed::Fastest && ran < kMaxFastTicks && now_() - start < kFastSliceMs * kNsPerMs);
  if (hooks_.FastSlice) hooks_.FastSlice(false);
  if (enabled_) wake_.start();
}

void PacedTimer::WakeUp() {
  if (!enabled_) return;
  if (speed_ == Speed::Fastest) {
    RunFast();
    return;
  }
  const qint64 now = now_();
  if (now - dueNs_ > kMaxLagMs * kNsPerMs) dueNs_ = now - kMaxLagMs * kNsPerMs;
  for (int ran = 0; ran < kMaxTicksPerWakeUp; ++ran) {
    // The clock is read anew for every tick: a tick may have spent a long time in a modal dialog.
    const qint64 ranNs = now_();
    if (!enabled_ || dueNs_ > ranNs) break;
    // The next due time is claimed before the tick runs, so a nested wake-up inside it does not run
    // the same tick again.
    const qint64 due = dueNs_;
    dueNs_ = due + kNsPerMs;
    ++ticksRun_;
    const bool waitWasPending = waitPending_;
    qint64 next = RunTick(due);
    const qint64 nextMs = (next - due) / kNsPerMs;
    // The tick that starts a wait counts it from when it ran, not from when it was due: otherwise a late
    // tick (behind a backlog) that starts Pause 1000 would let the catch-up ticks count part of the wait
    // off at once and cut the pause short. Lateness under one wake-up period is the timer's ordinary
    // jitter and is forgiven. The wait's further ticks count from when they were due, so a late
    // wake-up in the middle of a wait (a busy machine, a slow redraw) does not make the wait longer.
    if (nextMs > 1 && !waitWasPending) next = std::max(next, ranNs + (nextMs - 1) * kNsPerMs);
    dueNs_ = std::max(dueNs_, next);
  }
}

}  // namespace qx9
