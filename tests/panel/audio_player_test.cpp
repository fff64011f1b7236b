// The pieces of the audio tone player that need no sound device: the square wave, the stream the sink
// pulls from, and the fallback when the desktop has no audio output.
#include <QElapsedTimer>
#include <QTemporaryFile>
#include <unistd.h>

#include <cstdio>

#include "panel/audio_tone_player.h"
#include "panel/square_wave.h"
#include "panel/tone_stream.h"
#include "panel_rig.h"
#include "tone_analysis.h"

namespace qx9::test {

namespace {
constexpr int kRate = 48000;
constexpr int16_t kLevel = 6000;

std::vector<int16_t> Read(ToneStream& stream, qint64 frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames));
  const qint64 got = stream.read(reinterpret_cast<char*>(out.data()), frames * 2);
  out.resize(static_cast<size_t>(got / 2));
  return out;
}

// Runs body with standard error going to a file, and returns what was written there.
template <typename Body>
QByteArray CaptureStderr(Body body) {
  QTemporaryFile file;
  if (!file.open()) qFatal("no temporary file");
  std::fflush(stderr);
  const int saved = dup(2);
  dup2(file.handle(), 2);
  body();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  file.seek(0);
  return file.readAll();
}
}  // namespace

class AudioPlayerTest : public QObject {
  Q_OBJECT

 private slots:
  void squareWaveHasTheNotesPitchAndLength_data() {
    QTest::addColumn<int>("note");
    QTest::addColumn<int>("durationMs");
    for (int note : {1, 64, 100, 120, 126, 127}) {
      for (int ms : {300, 3060}) QTest::addRow("note %d, %d ms", note, ms) << note << ms;
    }
  }
  void squareWaveHasTheNotesPitchAndLength() {
    QFETCH(int, note);
    QFETCH(int, durationMs);
    const int hz = NoteFrequency(static_cast<int16_t>(note));
    const std::vector<int16_t> wave = SquareWave(hz, durationMs, kRate, kLevel);
    QCOMPARE(wave.size(), static_cast<size_t>(durationMs) * 48);
    const double measured = CrossingFrequency(wave.data(), wave.size(), kRate);
    QVERIFY2(std::abs(measured - hz) <= hz * 0.005,
             qPrintable(QStringLiteral("%1 Hz measured for %2 Hz").arg(measured).arg(hz)));
    // A pin is high or low: two levels, starting high.
    QCOMPARE(wave.front(), kLevel);
    for (int16_t s : wave) QVERIFY(s == kLevel || s == -kLevel);
  }

  void lengthsAreExactSampleCounts() {
    QCOMPARE(SquareWave(428, 12, kRate, kLevel).size(), size_t{576});
    QCOMPARE(SquareWave(10526, 1, kRate, kLevel).size(), size_t{48});
    QCOMPARE(SquareWave(428, 0, kRate, kLevel).size(), size_t{0});
    QCOMPARE(SquareWave(428, -12, kRate, kLevel).size(), size_t{0});
    QCOMPARE(SquareWave(428, 12, 44100, kLevel).size(), size_t{529});  // 529.2 rounds down
    const std::vector<int16_t> rest = SquareWave(0, 120, kRate, kLevel);
    QCOMPARE(rest.size(), size_t{5760});
    QVERIFY(std::all_of(rest.begin(), rest.end(), [](int16_t s) { return s == 0; }));
  }

  // What is queued comes out in order and back to back; reads stop where the queue ends, so what is
  // queued next follows without silence; with nothing queued the stream is silence.
  void streamPlaysQueuedSamplesBackToBack() {
    ToneStream stream;
    QVERIFY(stream.isOpen() && stream.isSequential());
    QCOMPARE(stream.Append({1, 2, 3}), qint64{3});
    QCOMPARE(stream.Append({4, 5}), qint64{5});
    QCOMPARE(Read(stream, 4), (std::vector<int16_t>{1, 2, 3, 4}));
    QCOMPARE(Read(stream, 100), (std::vector<int16_t>{5}));
    QCOMPARE(stream.framesHandedOut(), qint64{5});
    const std::vector<int16_t> silence = Read(stream, 100);
    QCOMPARE(silence.size(), size_t{100});
    QVERIFY(std::all_of(silence.begin(), silence.end(), [](int16_t s) { return s == 0; }));
    // Positions count the silence handed out meanwhile.
    QCOMPARE(stream.Append({7}), qint64{106});
    QCOMPARE(Read(stream, 10), (std::vector<int16_t>{7}));
  }

  void streamTellsEveryRead() {
    ToneStream stream;
    int told = 0;
    QObject::connect(&stream, &ToneStream::taken, [&] { ++told; });
    stream.Append({1, 2});
    Read(stream, 1);
    Read(stream, 8);
    QCOMPARE(told, 2);
    QVERIFY(stream.bytesAvailable() > 0);  // never at an end: the sink must not go idle
  }

  // main() points the sound client at a server that does not exist: no audio output. The emulator
  // then waits the durations silently and says once that sound is off.
  void withoutAnOutputTonesOnlyTakeTheirTime() {
    QVERIFY(AudioTonePlayer::ForDefaultOutput() == nullptr);
    std::unique_ptr<TonePlayer> first, second;
    const QByteArray said = CaptureStderr([&] {
      first = MakeDesktopTonePlayer();
      second = MakeDesktopTonePlayer();
    });
    QCOMPARE(said.count("sound is off"), 1);
    QVERIFY(dynamic_cast<WaitingTonePlayer*>(first.get()) != nullptr);
    QElapsedTimer clock;
    clock.start();
    first->Tone(428, 30);
    first->Rest(20);
    QVERIFY2(clock.elapsed() >= 50 && clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
  }
};

}  // namespace qx9::test

int main(int argc, char** argv) {
  // No sound server can answer here, whatever the desktop has.
  qputenv("PULSE_SERVER", "unix:/nonexistent/qx9-no-sound-server");
  qx9::test::AudioPlayerTest test;
  return qx9::test::RunPanelTest(test, argc, argv);
}
#include "audio_player_test.moc"
