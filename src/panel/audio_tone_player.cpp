#include "panel/audio_tone_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "panel/output_format.h"
#include "panel/square_wave.h"
#include "panel/tone_stream.h"

namespace qx9 {

namespace {
// How long past a tone's end its wait may run before the output counts as stalled.
constexpr qint64 kStallCapMs = 1000;
// How long a new output may take to start playing.
constexpr qint64 kStartCapMs = 2000;
// How often the waits look at the sink's clock.
constexpr int kPollMs = 2;
// The sink's buffer, 100 ms: the sound trails the program by about this much (Qt's default, about
// 200 ms, trails visibly); with 30 ms the sink stopped asking for data here.
constexpr qint64 kBufferUs = 100'000;
// A wait ends while this much of its tone is still queued: the sink reads several periods in one go,
// and a queue that ran dry in between would get silence put behind it before the next group of the
// Sound could be queued. So the groups stay back to back, and the program runs this much ahead.
constexpr qint64 kLeadUs = 40'000;
// Allowance for what the server itself holds beyond the sink's buffer.
constexpr qint64 kServerSlackUs = 10'000;

bool Trace() {
  static const bool on = qEnvironmentVariableIsSet("QX9_TONE_TRACE");
  return on;
}

// An underrun is no failure (the sink reports one whenever it was short for a moment); the others are.
bool Broken(const QAudioSink& sink) {
  const QAudio::Error error = sink.error();
  return error != QAudio::NoError && error != QAudio::UnderrunError;
}

qint64 BufferUs(const QAudioSink& sink) {
  return sink.format().durationForBytes(static_cast<qint32>(sink.bufferSize()));
}

void SayOnce(const QString& why) {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "qx9emu: sound is off (%s); tones only take their time\n", qPrintable(why));
}

void Fail(QString* why, const QString& text) {
  if (why != nullptr) *why = text;
}

QString Describe(const QAudioFormat& format) {
  static const char* const names[] = {"unknown", "8-bit", "16-bit", "32-bit", "float"};
  const int index = static_cast<int>(format.sampleFormat());
  return QStringLiteral("%1 Hz, %2 channel(s), %3")
      .arg(format.sampleRate())
      .arg(format.channelCount())
      .arg(QLatin1String(index >= 0 && index < 5 ? names[index] : "unknown"));
}
}  // namespace

std::unique_ptr<AudioTonePlayer> AudioTonePlayer::ForDefaultOutput(QString* why) {
  if (QCoreApplication::instance() == nullptr) {
    Fail(why, QStringLiteral("no application"));
    return nullptr;
  }
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull() || QMediaDevices::audioOutputs().isEmpty()) {
    Fail(why, QStringLiteral("no audio output: check that a sound server runs for this user (`pactl info` "
                             "answers) and that XDG_RUNTIME_DIR points at its folder"));
    return nullptr;
  }
  const QAudioFormat format = ChooseOutputFormat(
      device.preferredFormat(), [&device](const QAudioFormat& f) { return device.isFormatSupported(f); });
  if (!format.isValid()) {
    Fail(why, QStringLiteral("the audio output \"%1\" takes none of the usual sample formats (its own: %2)")
                  .arg(device.description(), Describe(device.preferredFormat())));
    return nullptr;
  }
  if (Trace()) std::fprintf(stderr, "tone output: %s\n", qPrintable(Describe(format)));
  // The sink and its stream belong to the application object, so they live as long as it does: a
  // sink destroyed earlier runs processEvents() with user input included, in the middle of whatever
  // destroyed it.
  auto* sink = new QAudioSink(device, format, QCoreApplication::instance());
  auto* stream = new ToneStream(sink, format);
  sink->setBufferSize(format.bytesForDuration(kBufferUs));
  sink->start(stream);
  // Started once and fed silence from then on, the stream is already flowing when the first tone
  // comes: a fresh stream takes its first buffer in one go, which would end a tone's wait early.
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(kPollMs);
  QElapsedTimer clock;
  clock.start();
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (sink->processedUSecs() >= BufferUs(*sink) || Broken(*sink) || clock.elapsed() > kStartCapMs) {
      loop.quit();
    }
  });
  poll.start();
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (sink->processedUSecs() < BufferUs(*sink) || Broken(*sink)) {
    Fail(why, QStringLiteral("the audio output \"%1\" did not start playing (%2): check the sound server "
                             "with `pactl info`")
                  .arg(device.description(), Describe(format)));
    sink->stop();
    sink->deleteLater();
    return nullptr;
  }
  return std::unique_ptr<AudioTonePlayer>(new AudioTonePlayer(sink, stream, format.sampleRate()));
}

void AudioTonePlayer::Tone(int frequencyHz, int durationMs) { Play(frequencyHz, durationMs); }

void AudioTonePlayer::Rest(int durationMs) { Play(0, durationMs); }

void AudioTonePlayer::Play(int frequencyHz, int durationMs) {
  if (durationMs <= 0) return;
  // A call from inside a wait (nothing of ours makes one, but an event handler might) or a stalled
  // output keeps the timing without the sound.
  if (playing_ || failed_) {
    WaitingTonePlayer::Wait(durationMs);
    return;
  }
  playing_ = true;
  QElapsedTimer clock;
  clock.start();
  const qint64 endFrame = stream_->Append(SquareWave(frequencyHz, durationMs, sampleRate_, kAmplitude));
  const qint64 endUs = FramesToUs(endFrame);
  const qint64 leadFrames = kLeadUs * sampleRate_ / 1'000'000;
  // What the sink holds beyond what has been heard (its buffer, plus a little for the server).
  const qint64 heldUs = BufferUs(*sink_) + kServerSlackUs;

  // Done when the sink has taken all but the lead of the tone, and the output has played all but what
  // the sink and the lead hold. Waiting until the last sample is heard would let the sink take the
  // whole latency's worth of silence behind the tone before the next group of the Sound is queued.
  QEventLoop loop;
  bool stalled = false;
  const auto check = [&] {
    if (stream_->framesHandedOut() >= endFrame - leadFrames && sink_->processedUSecs() >= endUs - heldUs - kLeadUs) {
      loop.quit();
    } else if (clock.elapsed() > durationMs + kStallCapMs || Broken(*sink_)) {
      stalled = true;
      loop.quit();
    }
  };
  QTimer poll;
  poll.setTimerType(Qt::PreciseTimer);
  poll.setInterval(kPollMs);
  QObject::connect(&poll, &QTimer::timeout, &loop, check);
  // Every read is a chance to end the wait, before the sink reads again.
  QObject::connect(stream_, &ToneStream::taken, &loop, check);
  poll.start();
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (Trace()) {
    std::fprintf(stderr, "tone %d Hz %d ms: held %lld ms; ends at %lld us; taken %lld us; played %lld us\n",
                 frequencyHz, durationMs, static_cast<long long>(clock.elapsed()), static_cast<long long>(endUs),
                 static_cast<long long>(FramesToUs(stream_->framesHandedOut())),
                 static_cast<long long>(sink_->processedUSecs()));
  }
  if (stalled) {
    failed_ = true;
    SayOnce(QStringLiteral("the audio output stopped playing; check the sound server with `pactl info`"));
    // The rest of the tone's time is still the program's.
    WaitingTonePlayer::Wait(static_cast<int>(std::max<qint64>(0, durationMs - clock.elapsed())));
  }
  playing_ = false;
}

std::unique_ptr<TonePlayer> MakeDesktopTonePlayer() {
  QString why;
  if (auto audio = AudioTonePlayer::ForDefaultOutput(&why)) return audio;
  SayOnce(why);
  return std::make_unique<WaitingTonePlayer>();
}

}  // namespace qx9
