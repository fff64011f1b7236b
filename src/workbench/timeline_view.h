#pragma once
// The timeline's drawing: the pins as logic traces (dimmed while an input), the words and the port as
// bus values, tones and rests as labelled bars, PWM as marks, over a visible range of simulated time.
// The wheel zooms around the pointer, a drag pans, the cursor follows the pointer with its time and
// instruction number, and a click asks to jump there. Only the visible range is worked out and drawn.

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/signal_recorder.h"
#include "workbench/timeline_traces.h"

namespace qx9 {

class TimelineView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kLabelWidth = 56;  // the row names at the left
  static constexpr int kAxisHeight = 20;
  static constexpr int kRowHeight = 18;
  static constexpr int kRows = 18;           // eight pins, seven words and the port, the sound, PWM
  static constexpr int64_t kMinSpanUs = 50;  // zoomed in as far as 50 us across the view
  static constexpr int64_t kDefaultSpanUs = 2'000'000;

  explicit TimelineView(const SignalRecorder& recorder, QWidget* parent = nullptr);

  // The visible range [FromUs, FromUs + SpanUs).
  int64_t FromUs() const { return fromUs_; }
  int64_t SpanUs() const { return spanUs_; }
  int64_t ToUs() const { return fromUs_ + spanUs_; }
  // The whole recorded range: the oldest kept point to the latest time seen.
  int64_t StartUs() const;
  int64_t EndUs() const;
  // Sets the range, held within what was recorded; following stops unless it shows the end.
  void SetRange(int64_t fromUs, int64_t spanUs);
  // factor > 1 zooms in; around the given time, or the middle of the view.
  void ZoomBy(double factor, std::optional<int64_t> aroundUs = std::nullopt);
  void PanBy(int64_t us) { SetRange(fromUs_ + us, spanUs_); }
  void ShowAll();
  // While following, the view keeps the latest time at its right edge as the run goes on.
  bool Following() const { return following_; }
  void SetFollowing(bool follow);

  // At the display rate: follows the run and redraws when something new was recorded.
  void Refresh();

  // Pixels and times of the trace area.
  int64_t TimeAtX(int x) const;
  int XAtTime(int64_t timeUs) const;
  int64_t PixelUs() const;

  // The cursor: the time under the pointer and the instruction executed then.
  std::optional<int64_t> CursorUs() const { return cursorUs_; }
  uint64_t CursorInstruction() const;
  QString CursorText() const;
  void SetCursorAt(int x);

  // The traces as drawn now, for whoever checks them.
  const TimelineTraces& Traces();

  std::function<void(int64_t timeUs)> OnJump;  // a click on the traces
  std::function<void()> OnViewChanged;         // the range or the cursor moved

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Paint();
  int TraceWidth() const { return std::max(1, width() - kLabelWidth); }
  void Changed();
  void DrawAxis(QPainter& p);
  void DrawPin(QPainter& p, int row, const std::vector<TraceSegment>& segments);
  void DrawBus(QPainter& p, int row, const std::vector<TraceSegment>& segments);
  void DrawSounds(QPainter& p, int row);
  void DrawPwm(QPainter& p, int row);
  void DrawCursor(QPainter& p);

  const SignalRecorder& recorder_;
  int64_t fromUs_ = 0;
  int64_t spanUs_ = kDefaultSpanUs;
  bool following_ = true;
  std::optional<int64_t> cursorUs_;
  // What Traces() last worked out, and for which range and recording.
  TimelineTraces traces_;
  ValuesCache startValues_;
  // Working out the traces of a crowded ring takes milliseconds: during a run the view redraws at the
  // display rate only while that keeps its share of the time small, and less often when it does not.
  QElapsedTimer clock_;
  qint64 nextRefreshNs_ = 0;
  std::array<int64_t, 5> tracesKey_{};
  // What Refresh() saw last.
  uint64_t seenEvents_ = 0;
  int64_t seenEndUs_ = -1;
  // A press starts a drag or, released where it was, a click.
  std::optional<QPoint> pressAt_;
  int64_t pressFromUs_ = 0;
  bool dragged_ = false;
};

// "1.004 s", "502 ms", "12 us": a time for a label, in the largest unit that keeps it exact enough.
QString TimeText(int64_t us);

}  // namespace qx9
