// The tone player's parts that need no sound device: the wave, its stream, formats, and no output at all.
#include <QElapsedTimer>
#include <cstring>

#include "panel/audio_tone_player.h"
#include "panel/output_format.h"
#include "panel/square_wave.h"
#include "panel/tone_stream.h"
#include "panel_rig.h"

namespace qx9::test {
namespace {

constexpr int16_t kLevel = 6000;

std::vector<int16_t> Read(ToneStream& stream, qint64 frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames));
  out.resize(static_cast<size_t>(stream.read(reinterpret_cast<char*>(out.data()), frames * 2) / 2));
  return out;
}

QAudioFormat Format(int rate, int channels, QAudioFormat::SampleFormat sampleFormat) {
  QAudioFormat format;
  format.setSampleRate(rate);
  format.setChannelCount(channels);
  format.setSampleFormat(sampleFormat);
  return format;
}

template <typename T>
std::vector<T> Samples(const QByteArray& bytes) {
  std::vector<T> out(static_cast<size_t>(bytes.size()) / sizeof(T));
  std::memcpy(out.data(), bytes.constData(), out.size() * sizeof(T));
  return out;
}

}  // namespace

class AudioTest : public QObject {
  Q_OBJECT

 private slots:
  void squareWave_data() {
    QTest::addColumn<int>("note");  // -1: a rest (0 Hz)
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("samples");
    QTest::newRow("note 1, 3060 ms") << 1 << 3060 << 48000 << 3060 * 48;
    QTest::newRow("529.2 samples round down") << 100 << 12 << 44100 << 529;
    QTest::newRow("a negative time") << 100 << -12 << 48000 << 0;
    QTest::newRow("a rest") << -1 << 120 << 48000 << 5760;
  }
  // The note's pitch and the exact count for the time; the stream hands them out, then silence, never an end.
  void squareWave() {
    QFETCH(int, note);
    QFETCH(int, ms);
    QFETCH(int, rate);
    QFETCH(int, samples);
    const int hz = note < 0 ? 0 : NoteFrequency(static_cast<int16_t>(note));
    const std::vector<int16_t> wave = SquareWave(hz, ms, rate, kLevel);
    QCOMPARE(wave.size(), static_cast<size_t>(samples));
    if (samples == 0) return;
    if (hz == 0) {
      QVERIFY(std::all_of(wave.begin(), wave.end(), [](int16_t s) { return s == 0; }));
    } else {
      const double measured = CrossingFrequency(wave.data(), wave.size(), rate);
      QVERIFY2(std::abs(measured - hz) <= hz * 0.005,
               qPrintable(QStringLiteral("%1 Hz for %2 Hz").arg(measured).arg(hz)));
      QCOMPARE(wave.front(), kLevel);  // a pin is high or low, starting high
      QVERIFY(std::all_of(wave.begin(), wave.end(), [](int16_t s) { return s == kLevel || s == -kLevel; }));
    }
    ToneStream stream;
    int told = 0;
    QObject::connect(&stream, &ToneStream::taken, [&] { ++told; });
    const size_t half = wave.size() / 2;
    QCOMPARE(stream.Append({wave.begin(), wave.begin() + half}), qint64(half));
    QCOMPARE(stream.Append({wave.begin() + half, wave.end()}), qint64(samples));
    QCOMPARE(Read(stream, samples - 1), std::vector<int16_t>(wave.begin(), wave.end() - 1));
    QCOMPARE(Read(stream, 100), std::vector<int16_t>{wave.back()});  // reads stop where the queue ends
    QCOMPARE(Read(stream, 3), (std::vector<int16_t>{0, 0, 0}));
    QCOMPARE(stream.Append({7}), qint64(samples + 4));  // positions count the silence handed out meanwhile
    QCOMPARE(Read(stream, 10), std::vector<int16_t>{7});
    QCOMPARE(told, 4);
    QVERIFY(stream.bytesAvailable() > 0);
  }

  // The device's format if writable, else the first supported usual one at the device's rate first.
  void outputFormatChoice_data() {
    QTest::addColumn<QAudioFormat>("preferred");
    QTest::addColumn<QList<QAudioFormat>>("supported");
    QTest::addColumn<QAudioFormat>("chosen");
    const QAudioFormat cd = Format(44100, 2, QAudioFormat::Int16);
    const QAudioFormat dat = Format(48000, 1, QAudioFormat::Int16);
    const QAudioFormat floats = Format(44100, 2, QAudioFormat::Float);
    QTest::newRow("preferred but refused") << cd << QList<QAudioFormat>{dat} << dat;
    QTest::newRow("unwritable sample format: the device's rate kept")
        << Format(44100, 2, QAudioFormat::Unknown) << QList<QAudioFormat>{floats, dat} << floats;
    QTest::newRow("nothing supported") << cd << QList<QAudioFormat>{} << QAudioFormat();
  }
  void outputFormatChoice() {
    QFETCH(QAudioFormat, preferred);
    QFETCH(QList<QAudioFormat>, supported);
    QFETCH(QAudioFormat, chosen);
    const auto takes = [&](const QAudioFormat& f) { return supported.contains(f); };
    QCOMPARE(ChooseOutputFormat(preferred, takes), chosen);
  }

  // One mono sample becomes one frame: the sample on every channel, in the output's sample format.
  void convertFrames() {
    const int16_t mono[] = {6000, -6000, 0};
    QByteArray bytes(3 * 2 * 2, '\x55');
    ConvertFrames(mono, 3, Format(44100, 2, QAudioFormat::Int16), bytes.data());
    QCOMPARE(Samples<int16_t>(bytes), (std::vector<int16_t>{6000, 6000, -6000, -6000, 0, 0}));
    bytes.fill('\x55', 3 * 4);
    ConvertFrames(mono, 3, Format(48000, 1, QAudioFormat::Float), bytes.data());
    QCOMPARE(Samples<float>(bytes), (std::vector<float>{6000 / 32768.0f, -6000 / 32768.0f, 0.0f}));
    bytes.fill('\x55', 3);
    ConvertFrames(mono, 3, Format(48000, 1, QAudioFormat::UInt8), bytes.data());
    QCOMPARE(Samples<uint8_t>(bytes), (std::vector<uint8_t>{128 + 23, 128 - 24, 128}));
  }

  // Without an output (see main) it says once that sound is off; tones only wait, timers still running.
  void withoutAnOutputTonesOnlyWait() {
    QVERIFY(AudioTonePlayer::ForDefaultOutput() == nullptr);
    std::unique_ptr<TonePlayer> first;
    const QByteArray said = StderrOf([&first] {
      first = MakeDesktopTonePlayer();
      MakeDesktopTonePlayer();
    });
    QCOMPARE(said.count("sound is off"), 1);
    QVERIFY2(said.contains("pactl info"), said.constData());  // says what to check
    QVERIFY(dynamic_cast<WaitingTonePlayer*>(first.get()) != nullptr);
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    QElapsedTimer clock;
    clock.start();
    first->Tone(428, 2);
    QVERIFY(clock.elapsed() >= 2);
    QVERIFY(timerRan);
  }
};

}  // namespace qx9::test

int main(int argc, char** argv) {
  // No sound server can answer here, whatever the desktop has.
  qputenv("PULSE_SERVER", "unix:/nonexistent/qx9-no-sound-server");
  qx9::test::AudioTest test;
  return qx9::test::RunPanelTest(test, argc, argv);
}
#include "audio_test.moc"
