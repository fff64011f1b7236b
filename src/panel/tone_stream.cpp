#include "panel/tone_stream.h"

#include <algorithm>
#include <cstring>

#include "panel/output_format.h"

namespace qx9 {

namespace {
// What bytesAvailable() promises when nothing is queued: silence, without end.
constexpr qint64 kSilenceFrames = 4800;
}  // namespace

// Unbuffered: a buffered device would read ahead of what the sink asks for, and its reads would no
// longer end where the queue ends.
ToneStream::ToneStream(QObject* parent, const QAudioFormat& format) : QIODevice(parent), format_(format) {
  if (!format_.isValid() || !CanWrite(format_.sampleFormat())) {
    format_.setSampleRate(48000);
    format_.setChannelCount(1);
    format_.setSampleFormat(QAudioFormat::Int16);
  }
  bytesPerFrame_ = format_.bytesPerFrame();
  open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 ToneStream::Append(const std::vector<int16_t>& samples) {
  queue_.insert(queue_.end(), samples.begin(), samples.end());
  return handedOut_ + framesQueued();
}

qint64 ToneStream::bytesAvailable() const {
  const qint64 frames = queue_.empty() ? kSilenceFrames : framesQueued();
  return frames * bytesPerFrame_ + QIODevice::bytesAvailable();
}

qint64 ToneStream::readData(char* data, qint64 maxSize) {
  const qint64 room = maxSize / bytesPerFrame_;
  if (room <= 0) return 0;
  qint64 frames = 0;
  if (!queue_.empty()) {
    // A read ends where the queue ends, so what is queued next follows the last sample without
    // silence in between. (Never 0 bytes: the sink in Qt 6.4 then calls itself idle and stops asking.)
    frames = std::min(room, framesQueued());
    std::vector<int16_t> mono(queue_.begin(), queue_.begin() + frames);
    ConvertFrames(mono.data(), frames, format_, data);
    queue_.erase(queue_.begin(), queue_.begin() + frames);
  } else {
    // As much as the sink asks for: it reads once per wake-up, and less would leave it short.
    frames = room;
    const std::vector<int16_t> silence(static_cast<size_t>(frames), 0);
    ConvertFrames(silence.data(), frames, format_, data);
  }
  handedOut_ += frames;
  emit taken();
  return frames * bytesPerFrame_;
}

qint64 ToneStream::writeData(const char* /*data*/, qint64 /*maxSize*/) { return -1; }

}  // namespace qx9
