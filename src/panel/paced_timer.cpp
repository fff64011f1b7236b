#include "panel/paced_timer.h"

#include <algorithm>

namespace qx9 {

namespace {
constexpr qint64 kNsPerMs = 1'000'000;
}

PacedTimer::PacedTimer(Tick tick, QObject* parent) : QObject(parent), tick_(std::move(tick)) {
  // The wake-up timer only has to come often enough; PreciseTimer keeps it from being coalesced.
  wake_.setTimerType(Qt::PreciseTimer);
  wake_.setInterval(1);
  connect(&wake_, &QTimer::timeout, this, &PacedTimer::WakeUp);
  clock_.start();
}

void PacedTimer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    dueNs_ = clock_.nsecsElapsed() + kNsPerMs;
    wake_.start();
  } else {
    wake_.stop();
  }
}

void PacedTimer::WakeUp() {
  if (!enabled_) return;
  const qint64 now = clock_.nsecsElapsed();
  if (now - dueNs_ > kMaxLagMs * kNsPerMs) dueNs_ = now;
  for (int ran = 0; ran < kMaxTicksPerWakeUp; ++ran) {
    // The clock is read anew for every tick: a tick may have spent a long time in a modal dialog.
    if (!enabled_ || dueNs_ > clock_.nsecsElapsed()) break;
    // The next due time is claimed before the tick runs, so a nested wake-up inside it does not run
    // the same tick again.
    const qint64 due = dueNs_;
    dueNs_ = due + kNsPerMs;
    ++ticksRun_;
    const int nextMs = std::max(1, tick_());
    dueNs_ = std::max(dueNs_, due + nextMs * kNsPerMs);
  }
}

}  // namespace qx9
