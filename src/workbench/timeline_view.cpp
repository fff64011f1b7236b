#include "workbench/timeline_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <string_view>

namespace qx9 {

namespace {

constexpr int kPinRow = 0;
constexpr int kWordRow = 8;
constexpr int kSoundRow = 16;
constexpr int kPwmRow = 17;
constexpr int kClickSlack = 3;  // pixels a press may move and still be a click
// After a redraw the view follows a run again only when 20 times the redraw's cost has passed, so that
// following a fast run takes at most about 5 % of it.
constexpr qint64 kRefreshShare = 20;

const QColor kHigh(40, 170, 60);
const QColor kInput(150, 170, 150);  // a pin while an input: dimmed
const QColor kBus(50, 90, 180);
const QColor kBusy(120, 120, 120);
const QColor kTone(200, 120, 30);
const QColor kRest(200, 200, 200);
const QColor kPwm(170, 40, 140);
const QColor kCursor(220, 30, 30);

// The tick spacing of the axis: 1, 2 or 5 times a power of ten, about every 100 pixels.
int64_t TickStep(int64_t spanUs, int width) {
  const double wanted = static_cast<double>(spanUs) * 100.0 / std::max(width, 1);
  int64_t step = 1;
  while (true) {
    for (int64_t m : {1, 2, 5}) {
      if (static_cast<double>(step * m) >= wanted) return step * m;
    }
    step *= 10;
  }
}

QString RowName(int row) {
  if (row < kWordRow) return QStringLiteral("pin%1").arg(row - kPinRow);
  if (row < kWordRow + 7) return QStringLiteral("W%1").arg(row - kWordRow);
  if (row == kWordRow + 7) return QStringLiteral("port");
  if (row == kSoundRow) return QStringLiteral("sound");
  return QStringLiteral("PWM");
}

}  // namespace

QString TimeText(int64_t us) {
  const int64_t magnitude = us < 0 ? -us : us;
  if (magnitude >= 1'000'000) return QStringLiteral("%1 s").arg(static_cast<double>(us) / 1e6, 0, 'g', 10);
  if (magnitude >= 1'000) return QStringLiteral("%1 ms").arg(static_cast<double>(us) / 1e3, 0, 'g', 10);
  return QStringLiteral("%1 us").arg(us);
}

TimelineView::TimelineView(const SignalRecorder& recorder, QWidget* parent) : QWidget(parent), recorder_(recorder) {
  setObjectName(QStringLiteral("TimelineView"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
  clock_.start();
}

QSize TimelineView::sizeHint() const { return {800, kAxisHeight + kRows * kRowHeight + 2}; }
QSize TimelineView::minimumSizeHint() const { return {kLabelWidth + 100, kAxisHeight + 4 * kRowHeight}; }

int64_t TimelineView::StartUs() const { return recorder_.Origin().TimeUs; }
int64_t TimelineView::EndUs() const { return std::max(recorder_.EndTimeUs(), StartUs() + 1); }

void TimelineView::SetRange(int64_t fromUs, int64_t spanUs) {
  spanUs_ = std::max(spanUs, kMinSpanUs);
  // Held within the recording, but a short recording may sit at the left of a wider view.
  fromUs_ = std::max(std::min(fromUs, EndUs() - spanUs_), StartUs());
  following_ = ToUs() >= EndUs();
  Changed();
}

void TimelineView::ZoomBy(double factor, std::optional<int64_t> aroundUs) {
  if (!(factor > 0)) return;
  const int64_t around = aroundUs.value_or(fromUs_ + spanUs_ / 2);
  const int64_t span = std::max<int64_t>(kMinSpanUs, std::llround(static_cast<double>(spanUs_) / factor));
  // The time under the pointer stays where it is.
  const double share = static_cast<double>(around - fromUs_) / static_cast<double>(spanUs_);
  const bool follow = following_;
  SetRange(around - std::llround(share * static_cast<double>(span)), span);
  if (follow && factor < 1) following_ = true;
}

void TimelineView::ShowAll() { SetRange(StartUs(), EndUs() - StartUs()); }

void TimelineView::SetFollowing(bool follow) {
  following_ = follow;
  if (follow) SetRange(EndUs() - spanUs_, spanUs_);
}

void TimelineView::Refresh() {
  const uint64_t events = recorder_.EventsDropped() + recorder_.EventCount();
  const int64_t end = recorder_.EndTimeUs();
  if (events == seenEvents_ && end == seenEndUs_) return;
  if (clock_.nsecsElapsed() < nextRefreshNs_) return;
  seenEvents_ = events;
  seenEndUs_ = end;
  if (following_) {
    fromUs_ = std::max(StartUs(), EndUs() - spanUs_);
    if (OnViewChanged) OnViewChanged();
  } else if (fromUs_ < StartUs()) {
    fromUs_ = StartUs();  // the ring wrapped past the view
  }
  update();
}

void TimelineView::Changed() {
  update();
  if (OnViewChanged) OnViewChanged();
}

int64_t TimelineView::PixelUs() const { return std::max<int64_t>(1, spanUs_ / TraceWidth()); }

int64_t TimelineView::TimeAtX(int x) const {
  const double share = static_cast<double>(x - kLabelWidth) / TraceWidth();
  return fromUs_ + std::llround(share * static_cast<double>(spanUs_));
}

int TimelineView::XAtTime(int64_t timeUs) const {
  const double share = static_cast<double>(timeUs - fromUs_) / static_cast<double>(spanUs_);
  // Clamped well beyond the widget, so a far-off time still draws as a line off the edge.
  return kLabelWidth + static_cast<int>(std::clamp(share * TraceWidth(), -1e6, 1e6));
}

uint64_t TimelineView::CursorInstruction() const { return cursorUs_ ? recorder_.InstructionAt(*cursorUs_) : 0; }

QString TimelineView::CursorText() const {
  if (!cursorUs_) return tr("Point at the timeline to read a time; click to go back there");
  const uint64_t n = CursorInstruction();
  return n == 0 ? tr("%1, before the first instruction").arg(TimeText(*cursorUs_))
                : tr("%1, instruction #%2").arg(TimeText(*cursorUs_)).arg(n);
}

void TimelineView::SetCursorAt(int x) {
  if (x < kLabelWidth) {
    cursorUs_.reset();
  } else {
    cursorUs_ = std::clamp(TimeAtX(x), StartUs(), EndUs());
  }
  Changed();
}

const TimelineTraces& TimelineView::Traces() {
  const std::array<int64_t, 5> key{fromUs_, spanUs_, TraceWidth(),
                                   static_cast<int64_t>(recorder_.EventsDropped() + recorder_.EventCount()),
                                   recorder_.EndTimeUs()};
  if (key != tracesKey_ || traces_.Pins[0].empty()) {
    traces_ = TracesIn(recorder_, fromUs_, ToUs(), PixelUs(), startValues_.At(recorder_, fromUs_));
    tracesKey_ = key;
  }
  return traces_;
}

void TimelineView::paintEvent(QPaintEvent*) {
  // The whole redraw counts, not only the traces' building: writing the values' labels costs as much.
  const qint64 started = clock_.nsecsElapsed();
  Paint();
  const qint64 now = clock_.nsecsElapsed();
  nextRefreshNs_ = now + kRefreshShare * (now - started);
}

void TimelineView::Paint() {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  const TimelineTraces& traces = Traces();
  for (int row = 0; row < kRows; ++row) {
    const int y = kAxisHeight + row * kRowHeight;
    if (row % 2 == 1) p.fillRect(0, y, width(), kRowHeight, palette().alternateBase());
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QRect(4, y, kLabelWidth - 6, kRowHeight), Qt::AlignVCenter | Qt::AlignLeft, RowName(row));
  }
  p.setClipRect(kLabelWidth, 0, TraceWidth(), height());
  DrawAxis(p);
  for (int pin = 0; pin < 8; ++pin) DrawPin(p, kPinRow + pin, traces.Pins[static_cast<size_t>(pin)]);
  for (int w = 0; w < 8; ++w) DrawBus(p, kWordRow + w, traces.Words[static_cast<size_t>(w)]);
  DrawSounds(p, kSoundRow);
  DrawPwm(p, kPwmRow);
  DrawCursor(p);
}

void TimelineView::DrawAxis(QPainter& p) {
  const int64_t step = TickStep(spanUs_, TraceWidth());
  p.setPen(palette().color(QPalette::Mid));
  const int64_t first = (fromUs_ / step) * step;
  for (int64_t t = first; t <= ToUs(); t += step) {
    const int x = XAtTime(t);
    p.drawLine(x, kAxisHeight - 4, x, height());
    p.drawText(x + 2, 2, 200, kAxisHeight - 4, Qt::AlignLeft | Qt::AlignVCenter, TimeText(t));
  }
}

void TimelineView::DrawPin(QPainter& p, int row, const std::vector<TraceSegment>& segments) {
  const int top = kAxisHeight + row * kRowHeight + 3;
  const int bottom = top + kRowHeight - 6;
  int lastY = -1;
  for (const TraceSegment& s : segments) {
    const int x0 = XAtTime(s.FromUs);
    const int x1 = std::max(XAtTime(s.ToUs), x0 + 1);
    if (s.Value == TraceSegment::kBusy) {
      p.fillRect(x0, top, x1 - x0, bottom - top, kBusy);
      lastY = -1;
      continue;
    }
    const bool high = (s.Value & 1) != 0;
    const bool output = (s.Value & 2) != 0;
    p.setPen(QPen(output ? kHigh : kInput, output ? 2 : 1, output ? Qt::SolidLine : Qt::DashLine));
    const int y = high ? top : bottom;
    if (lastY >= 0 && lastY != y) p.drawLine(x0, lastY, x0, y);
    p.drawLine(x0, y, x1, y);
    lastY = y;
  }
}

void TimelineView::DrawBus(QPainter& p, int row, const std::vector<TraceSegment>& segments) {
  const int top = kAxisHeight + row * kRowHeight + 3;
  const int bottom = top + kRowHeight - 6;
  const int mid = (top + bottom) / 2;
  // A value is four hex digits; a segment narrower than the widest four needs no text built and measured
  // (a fast run gives thousands of such segments per redraw).
  int widestDigit = 0;
  for (const char digit : std::string_view("0123456789ABCDEF")) {
    widestDigit = std::max(widestDigit, p.fontMetrics().horizontalAdvance(QLatin1Char(digit)));
  }
  const int textWidth = 4 * widestDigit;
  for (const TraceSegment& s : segments) {
    const int x0 = XAtTime(s.FromUs);
    const int x1 = std::max(XAtTime(s.ToUs), x0 + 1);
    if (s.Value == TraceSegment::kBusy) {
      p.fillRect(x0, top, x1 - x0, bottom - top, kBusy);
      continue;
    }
    // A new segment at each change: the bus's hexagon, its value written inside when it fits.
    p.setPen(QPen(kBus, 1));
    const int edge = std::min(3, (x1 - x0) / 2);
    const QPoint shape[] = {{x0, mid}, {x0 + edge, top},    {x1 - edge, top},
                            {x1, mid}, {x1 - edge, bottom}, {x0 + edge, bottom}};
    p.drawPolygon(shape, 6);
    const int left = std::max(x0, kLabelWidth) + edge + 2;
    if (std::min(x1, width()) - left > textWidth) {
      const QString text = QStringLiteral("%1").arg(s.Value, 4, 16, QLatin1Char('0')).toUpper();
      p.setPen(palette().color(QPalette::Text));
      p.drawText(QRect(left, top, x1 - left, bottom - top), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
  }
}

void TimelineView::DrawSounds(QPainter& p, int row) {
  const int top = kAxisHeight + row * kRowHeight + 2;
  const int h = kRowHeight - 4;
  for (const SoundBar& s : Traces().Sounds) {
    const int x0 = XAtTime(s.FromUs);
    const int x1 = std::max(XAtTime(s.ToUs), x0 + 1);
    p.fillRect(x0, top, x1 - x0, h, s.Hz > 0 ? kTone : kRest);
    const QString text = s.Hz > 0 ? tr("%1 Hz, %2 ms").arg(s.Hz).arg(s.DurationMs) : tr("rest %1 ms").arg(s.DurationMs);
    const int left = std::max(x0, kLabelWidth) + 2;
    if (std::min(x1, width()) - left > p.fontMetrics().horizontalAdvance(text)) {
      p.setPen(Qt::black);
      p.drawText(QRect(left, top, x1 - left, h), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
  }
}

void TimelineView::DrawPwm(QPainter& p, int row) {
  const int top = kAxisHeight + row * kRowHeight + 2;
  const int h = kRowHeight - 4;
  int lastTextEnd = -1;
  for (const PwmMark& m : Traces().Pwm) {
    const int x = XAtTime(m.TimeUs);
    p.setPen(QPen(kPwm, 2));
    p.drawLine(x, top, x, top + h);
    const QString text = tr("pin %1, duty %2").arg(m.Pin).arg(m.Duty);
    if (x + 3 > lastTextEnd) {
      p.drawText(x + 3, top, 200, h, Qt::AlignVCenter | Qt::AlignLeft, text);
      lastTextEnd = x + 3 + p.fontMetrics().horizontalAdvance(text) + 4;
    }
  }
}

void TimelineView::DrawCursor(QPainter& p) {
  if (!cursorUs_) return;
  const int x = XAtTime(*cursorUs_);
  p.setPen(QPen(kCursor, 1));
  p.drawLine(x, 0, x, height());
}

void TimelineView::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  ZoomBy(std::pow(1.25, steps), TimeAtX(static_cast<int>(event->position().x())));
  event->accept();
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressAt_ = event->position().toPoint();
  pressFromUs_ = fromUs_;
  dragged_ = false;
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (pressAt_ && (dragged_ || std::abs(at.x() - pressAt_->x()) > kClickSlack)) {
    dragged_ = true;
    const double share = static_cast<double>(at.x() - pressAt_->x()) / TraceWidth();
    SetRange(pressFromUs_ - std::llround(share * static_cast<double>(spanUs_)), spanUs_);
  }
  SetCursorAt(at.x());
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressAt_) return;
  const bool click = !dragged_ && event->position().x() >= kLabelWidth;
  pressAt_.reset();
  dragged_ = false;
  if (click && OnJump) OnJump(std::clamp(TimeAtX(static_cast<int>(event->position().x())), StartUs(), EndUs()));
}

void TimelineView::leaveEvent(QEvent*) {
  cursorUs_.reset();
  Changed();
}

}  // namespace qx9
