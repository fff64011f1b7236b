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

void PacedTimer::WakeUp() {
  if (!enabled_) return;
  const qint64 now = now_();
  if (now - dueNs_ > kMaxLagMs * kNsPerMs) dueNs_ = now - kMaxLagMs * kNsPerMs;
  for (int ran = 0; ran < kMaxTicksPerWakeUp; ++ran) {
    // The clock is read anew for every tick: a tick may have spent a long time in a modal dialog.
    if (!enabled_ || dueNs_ > now_()) break;
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
