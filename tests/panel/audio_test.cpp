// The parts of the audio tone player that need no sound device: the square wave, the stream the sink
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
  out.resize(static_cast<size_t>(stream.read(reinterpret_cast<char*>(out.data()), frames * 2) / 2));
  return out;
}

}  // namespace

class AudioTest : public QObject {
  Q_OBJECT

 private slots:
  void squareWave_data() {
    QTest::addColumn<int>("note");
    QTest::addColumn<int>("durationMs");
    for (int note : {1, 64, 100, 120, 126, 127}) {
      for (int ms : {300, 3060}) QTest::addRow("note %d, %d ms", note, ms) << note << ms;
    }
  }
  // The samples have the note's pitch, counted from zero crossings, and the exact number for the time.
  void squareWave() {
    QFETCH(int, note);
    QFETCH(int, durationMs);
    const int hz = NoteFrequency(static_cast<int16_t>(note));
    const std::vector<int16_t> wave = SquareWave(hz, durationMs, kRate, kLevel);
    QCOMPARE(wave.size(), static_cast<size_t>(durationMs) * 48);
    const double measured = CrossingFrequency(wave.data(), wave.size(), kRate);
    QVERIFY2(std::abs(measured - hz) <= hz * 0.005, qPrintable(QStringLiteral("%1 Hz for %2 Hz").arg(measured).arg(hz)));
    QCOMPARE(wave.front(), kLevel);  // a pin is high or low, starting high
    QVERIFY(std::all_of(wave.begin(), wave.end(), [](int16_t s) { return s == kLevel || s == -kLevel; }));
  }

  void sampleCounts() {
    QCOMPARE(SquareWave(428, 12, 44100, kLevel).size(), size_t{529});  // 529.2 rounds down
    QCOMPARE(SquareWave(428, -12, kRate, kLevel).size(), size_t{0});
    const std::vector<int16_t> rest = SquareWave(0, 120, kRate, kLevel);
    QCOMPARE(rest.size(), size_t{5760});
    QVERIFY(std::all_of(rest.begin(), rest.end(), [](int16_t s) { return s == 0; }));
  }

  // What is queued comes out in order and back to back, and reads stop where the queue ends, so what
  // is queued next follows without a gap; with nothing queued the stream is silence, never its end.
  void streamPlaysQueuedSamplesBackToBack() {
    ToneStream stream;
    int told = 0;
    QObject::connect(&stream, &ToneStream::taken, [&] { ++told; });
    QVERIFY(stream.isOpen() && stream.isSequential());
    QCOMPARE(stream.Append({1, 2, 3}), qint64{3});
    QCOMPARE(stream.Append({4, 5}), qint64{5});
    QCOMPARE(Read(stream, 4), (std::vector<int16_t>{1, 2, 3, 4}));
    QCOMPARE(Read(stream, 100), (std::vector<int16_t>{5}));
    QCOMPARE(Read(stream, 3), (std::vector<int16_t>{0, 0, 0}));
    QCOMPARE(stream.Append({7}), qint64{9});  // positions count the silence handed out meanwhile
    QCOMPARE(Read(stream, 10), (std::vector<int16_t>{7}));
    QCOMPARE(told, 4);
    QVERIFY(stream.bytesAvailable() > 0);
  }

  // main() points the sound client at a server that does not exist: no audio output. The emulator
  // then says once that sound is off, and its tones only wait (in a loop that keeps timers running).
  void withoutAnOutputTonesOnlyWait() {
    QVERIFY(AudioTonePlayer::ForDefaultOutput() == nullptr);
    QTemporaryFile file;
    QVERIFY(file.open());
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(file.handle(), 2);
    std::unique_ptr<TonePlayer> first = MakeDesktopTonePlayer(), second = MakeDesktopTonePlayer();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    file.seek(0);
    QCOMPARE(file.readAll().count("sound is off"), 1);
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
