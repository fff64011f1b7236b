#pragma once
// The format the tones go out in. Tones are made as mono 16-bit samples; the audio output may want
// another rate, more channels or another sample format (a sound server commonly runs at 44,100 Hz,
// stereo), so the player opens it in the device's own preferred format and converts each frame.

#include <QAudioFormat>
#include <cstdint>
#include <functional>

namespace qx9 {

// The device's preferred format when it is complete and one we can write, otherwise the first
// supported one of the usual rates, channel counts and sample formats; an invalid format when the
// device takes none of them.
QAudioFormat ChooseOutputFormat(const QAudioFormat& preferred,
                                const std::function<bool(const QAudioFormat&)>& supported);

// Whether ConvertFrames can write this sample format.
bool CanWrite(QAudioFormat::SampleFormat sampleFormat);

// Writes `frames` mono samples as frames of `format` (the sample repeated on every channel) to `out`,
// which must hold frames * format.bytesPerFrame() bytes.
void ConvertFrames(const int16_t* mono, qint64 frames, const QAudioFormat& format, char* out);

}  // namespace qx9
