#include "workbench/timeline_traces.h"

#include <algorithm>
#include <cstdint>

namespace qx9 {

namespace {

// Builds one row's segments change by change. A change within a pixel of the change that began the last
// segment makes that segment busy for the pixel; once past it, the value the row settled on follows.
class RowBuilder {
 public:
  RowBuilder(std::vector<TraceSegment>& row, int64_t fromUs, int value, int64_t pixelUs)
      : row_(row), current_(value), pixelUs_(pixelUs) {
    row_.push_back({fromUs, fromUs, value});
  }

  void Change(int64_t timeUs, int value) {
    if (value == current_) return;
    TraceSegment& last = row_.back();
    const int settled = current_;
    current_ = value;
    if (last.Value == TraceSegment::kBusy) {
      if (timeUs < last.ToUs) return;
      if (timeUs > last.ToUs) row_.push_back({last.ToUs, timeUs, settled});
    } else if (row_.size() > 1 && timeUs - last.FromUs < pixelUs_) {
      last.Value = TraceSegment::kBusy;
      last.ToUs = last.FromUs + pixelUs_;
      return;
    } else {
      last.ToUs = timeUs;
    }
    row_.push_back({timeUs, timeUs, value});
  }

  void Close(int64_t toUs) {
    TraceSegment& last = row_.back();
    if (last.Value == TraceSegment::kBusy && last.ToUs < toUs) {
      row_.push_back({last.ToUs, toUs, current_});
    } else {
      last.ToUs = toUs;
    }
  }

 private:
  std::vector<TraceSegment>& row_;
  int current_;
  int64_t pixelUs_;
};

}  // namespace

SignalSnapshot ValuesCache::At(const SignalRecorder& recorder, int64_t timeUs) {
  const uint64_t dropped = recorder.EventsDropped();
  // The events up to and including timeUs.
  const size_t upTo = timeUs == INT64_MAX ? recorder.EventCount() : recorder.EventRange(timeUs + 1, INT64_MAX).first;
  const uint64_t target = dropped + upTo;
  size_t next = 0;
  // The cached values stand while their last event is still kept, unchanged, and not after timeUs.
  if (applied_ > dropped && applied_ <= target && recorder.Event(applied_ - 1 - dropped) == last_) {
    next = applied_ - dropped;
  } else {
    values_ = recorder.Origin();
  }
  for (size_t i = next; i < upTo; ++i) {
    last_ = recorder.Event(i);
    ApplySignalEvent(values_, last_);
  }
  if (upTo > next) applied_ = target;
  if (upTo == 0) applied_ = dropped;  // nothing applied: the origin itself
  SignalSnapshot at = values_;
  at.TimeUs = std::max(at.TimeUs, timeUs);
  return at;
}

TimelineTraces TracesIn(const SignalRecorder& recorder, int64_t fromUs, int64_t toUs, int64_t pixelUs) {
  return TracesIn(recorder, fromUs, toUs, pixelUs, recorder.ValuesAt(fromUs));
}

TimelineTraces TracesIn(const SignalRecorder& recorder, int64_t fromUs, int64_t toUs, int64_t pixelUs,
                        const SignalSnapshot& start) {
  TimelineTraces traces;
  toUs = std::max(toUs, fromUs + 1);
  pixelUs = std::max<int64_t>(pixelUs, 1);
  std::array<uint16_t, 8> words = start.Words;
  std::vector<RowBuilder> wordRows;
  std::vector<RowBuilder> pins;
  wordRows.reserve(8);
  pins.reserve(8);
  for (size_t i = 0; i < 8; ++i) {
    wordRows.emplace_back(traces.Words[i], fromUs, words[i], pixelUs);
    pins.emplace_back(traces.Pins[i], fromUs, PinValue(start.Port(), static_cast<int>(i)), pixelUs);
  }
  // A tone begun before the range and still sounding in it.
  if (start.ToneEndUs > fromUs && start.ToneStartUs < fromUs) {
    traces.Sounds.push_back({start.ToneStartUs, start.ToneEndUs, start.ToneHz,
                             static_cast<int>((start.ToneEndUs - start.ToneStartUs) / 1000)});
  }
  const auto [first, last] = recorder.EventRange(fromUs, toUs);
  for (size_t i = first; i < last; ++i) {
    const SignalEvent e = recorder.Event(i);
    switch (e.Kind) {
      case SignalKind::Word: {
        const size_t w = static_cast<size_t>(e.Index & 7);
        words[w] = static_cast<uint16_t>(e.Value);
        wordRows[w].Change(e.TimeUs, words[w]);
        if (w == static_cast<size_t>(kPortWord)) {
          for (size_t pin = 0; pin < 8; ++pin) pins[pin].Change(e.TimeUs, PinValue(words[w], static_cast<int>(pin)));
        }
        break;
      }
      case SignalKind::Tone:
      case SignalKind::Rest: {
        const int hz = e.Kind == SignalKind::Tone ? e.Value : 0;
        traces.Sounds.push_back({e.TimeUs, e.TimeUs + int64_t{e.Length} * 1000, hz, e.Length});
        break;
      }
      case SignalKind::PWM: traces.Pwm.push_back({e.TimeUs, e.Index, e.Value, e.Length}); break;
      default: break;
    }
  }
  for (size_t i = 0; i < 8; ++i) {
    wordRows[i].Close(toUs);
    pins[i].Close(toUs);
  }
  return traces;
}

}  // namespace qx9
