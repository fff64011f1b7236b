#pragma once
// The endless stream the audio sink pulls from: the samples of the tones and rests queued so far, and
// silence whenever nothing is queued. The sink never runs dry, so it never goes idle (idle in Qt 6.4
// fires while the server still holds audio, and restarting after it cuts tones short), and the
// stream's clock keeps running with the real one.

#include <QAudioFormat>
#include <QIODevice>
#include <cstdint>
#include <deque>
#include <vector>

namespace qx9 {

class ToneStream : public QIODevice {
  Q_OBJECT

 public:
  // A stream in `format` (any rate, channel count and sample format the output wants; mono 16-bit when
  // not given): every queued sample becomes one frame of it.
  explicit ToneStream(QObject* parent = nullptr, const QAudioFormat& format = {});

  const QAudioFormat& format() const { return format_; }

  // Queues mono 16-bit samples right behind what is already queued and returns the stream position
  // (in frames since the stream began) at which they end.
  qint64 Append(const std::vector<int16_t>& samples);

  qint64 framesHandedOut() const { return handedOut_; }
  qint64 framesQueued() const { return static_cast<qint64>(queue_.size()); }

  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override;

 signals:
  // After every read: the sink has taken more of the stream.
  void taken();

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char* data, qint64 maxSize) override;

 private:
  QAudioFormat format_;
  qint64 bytesPerFrame_ = 2;
  std::deque<int16_t> queue_;
  qint64 handedOut_ = 0;
};

}  // namespace qx9
