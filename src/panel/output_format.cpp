#include "panel/output_format.h"

#include <array>
#include <cstring>

namespace qx9 {

namespace {

QAudioFormat Make(int rate, int channels, QAudioFormat::SampleFormat sampleFormat) {
  QAudioFormat format;
  format.setSampleRate(rate);
  format.setChannelCount(channels);
  format.setSampleFormat(sampleFormat);
  return format;
}

// One sample in the output's format, from a 16-bit one: 8-bit is unsigned around 128, 32-bit takes
// the 16 bits as its high half, float runs from -1 to 1.
void WriteSample(int16_t value, QAudioFormat::SampleFormat sampleFormat, char* out) {
  switch (sampleFormat) {
    case QAudioFormat::UInt8: {
      const auto byte = static_cast<uint8_t>((value >> 8) + 128);
      std::memcpy(out, &byte, 1);
      return;
    }
    case QAudioFormat::Int16: std::memcpy(out, &value, 2); return;
    case QAudioFormat::Int32: {
      const int32_t wide = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(value)) << 16);
      std::memcpy(out, &wide, 4);
      return;
    }
    case QAudioFormat::Float: {
      const float level = static_cast<float>(value) / 32768.0f;
      std::memcpy(out, &level, 4);
      return;
    }
    default: return;
  }
}

}  // namespace

bool CanWrite(QAudioFormat::SampleFormat sampleFormat) {
  return sampleFormat == QAudioFormat::UInt8 || sampleFormat == QAudioFormat::Int16 ||
         sampleFormat == QAudioFormat::Int32 || sampleFormat == QAudioFormat::Float;
}

QAudioFormat ChooseOutputFormat(const QAudioFormat& preferred,
                                const std::function<bool(const QAudioFormat&)>& supported) {
  if (preferred.isValid() && CanWrite(preferred.sampleFormat()) && supported(preferred)) {
    return preferred;
  }
  // The preferred rate and channel count first (when the device names them), then the common ones.
  const std::array<int, 3> rates = {preferred.sampleRate() > 0 ? preferred.sampleRate() : 48000, 48000, 44100};
  const std::array<int, 3> channels = {preferred.channelCount() > 0 ? preferred.channelCount() : 1, 1, 2};
  const std::array<QAudioFormat::SampleFormat, 4> sampleFormats = {QAudioFormat::Int16, QAudioFormat::Float,
                                                                   QAudioFormat::Int32, QAudioFormat::UInt8};
  for (int rate : rates) {
    for (int count : channels) {
      for (QAudioFormat::SampleFormat sampleFormat : sampleFormats) {
        const QAudioFormat candidate = Make(rate, count, sampleFormat);
        if (supported(candidate)) return candidate;
      }
    }
  }
  return {};
}

void ConvertFrames(const int16_t* mono, qint64 frames, const QAudioFormat& format, char* out) {
  const int bytesPerSample = format.bytesPerSample();
  const int channels = format.channelCount();
  for (qint64 f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      WriteSample(mono[f], format.sampleFormat(), out);
      out += bytesPerSample;
    }
  }
}

}  // namespace qx9
