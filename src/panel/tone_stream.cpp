#include "panel/tone_stream.h"

#include <algorithm>
#include <cstring>

namespace qx9 {

namespace {
// What bytesAvailable() promises when nothing is queued: silence, without end.
constexpr qint64 kSilenceFrames = 4800;
}

// Unbuffered: a buffered device would read ahead of what the sink asks for, and its reads would no
// longer end where the queue ends.
ToneStream::ToneStream(QObject* parent) : QIODevice(parent) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }

qint64 ToneStream::Append(const std::vector<int16_t>& samples) {
  queue_.insert(queue_.end(), samples.begin(), samples.end());
  return handedOut_ + framesQueued();
}

qint64 ToneStream::bytesAvailable() const {
  const qint64 frames = queue_.empty() ? kSilenceFrames : framesQueued();
  return frames * 2 + QIODevice::bytesAvailable();
}

qint64 ToneStream::readData(char* data, qint64 maxSize) {
  const qint64 room = maxSize / 2;
  if (room <= 0) return 0;
  qint64 frames = 0;
  if (!queue_.empty()) {
    // A read ends where the queue ends, so what is queued next follows the last sample without
    // silence in between. (Never 0 bytes: the sink in Qt 6.4 then calls itself idle and stops asking.)
    frames = std::min(room, framesQueued());
    auto* out = reinterpret_cast<int16_t*>(data);
    std::copy_n(queue_.begin(), frames, out);
    queue_.erase(queue_.begin(), queue_.begin() + frames);
  } else {
    // As much as the sink asks for: it reads once per wake-up, and less would leave it short.
    frames = room;
    std::memset(data, 0, static_cast<size_t>(frames) * 2);
  }
  handedOut_ += frames;
  emit taken();
  return frames * 2;
}

qint64 ToneStream::writeData(const char* /*data*/, qint64 /*maxSize*/) { return -1; }

}  // namespace qx9
