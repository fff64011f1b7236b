// End to end through a real audio output (run by audio_e2e.sh under a private sound server whose
// output is recorded to a file):
//   qx9panel_audio_e2e RECORDING          presses Step on a two-group Sound on the panel with the audio
//                                         player, then measures the recording: exit 0 when both tones
//                                         have the right pitch and length and follow each other closely
//   qx9panel_audio_e2e --measure RECORDING  prints the tones found in a recording
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <cstdio>

#include "panel/audio_tone_player.h"
#include "panel_rig.h"
#include "tone_analysis.h"

namespace qx9::test {
namespace {

constexpr int kRate = AudioTonePlayer::kSampleRate;

std::vector<int16_t> ReadRecording(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  std::vector<int16_t> samples(static_cast<size_t>(bytes.size() / 2));
  std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
  return samples;
}

double Ms(int64_t samples) { return static_cast<double>(samples) * 1000.0 / kRate; }

void Print(const std::vector<Tone>& tones) {
  for (size_t i = 0; i < tones.size(); ++i) {
    const Tone& t = tones[i];
    std::printf("tone %zu: %.2f Hz, %.1f ms, at %.1f ms", i + 1, t.FrequencyHz, Ms(t.End - t.Start), Ms(t.Start));
    if (i > 0) std::printf(", gap %.1f ms", Ms(t.Start - tones[i - 1].End));
    std::printf("\n");
  }
}

int Measure(const QString& path) {
  const std::vector<Tone> tones = FindTones(ReadRecording(path), kRate);
  Print(tones);
  return 0;
}

struct Expected {
  int note, code;
};

int PlayAndCheck(const QString& path) {
  auto player = AudioTonePlayer::ForDefaultOutput();
  if (!player) {
    std::fprintf(stderr, "no audio output although the sound server runs\n");
    return 1;
  }
  const Expected groups[] = {{100, 25}, {120, 20}};  // 428 Hz for 300 ms, then 1479 Hz for 240 ms
  PanelRig rig;
  rig.form = std::make_unique<Form1>(std::make_unique<ScriptedDialogs>(rig.dialogs), std::move(player));
  rig.Load(ProgramBuilder().Sound(C(1), {{C(groups[0].code), C(groups[0].note)},
                                         {C(groups[1].code), C(groups[1].note)}}).End());
  QElapsedTimer held;
  held.start();
  QTest::mouseClick(rig.Button("Step"), Qt::LeftButton);
  const qint64 heldMs = held.elapsed();
  QTest::qWait(300);  // lets the server and the reader write the end of the recording out

  const std::vector<Tone> tones = FindTones(ReadRecording(path), kRate);
  Print(tones);
  std::printf("Step held the program for %lld ms\n", static_cast<long long>(heldMs));
  bool ok = tones.size() == 2;
  if (!ok) std::printf("FAIL: expected 2 tones, found %zu\n", tones.size());
  for (size_t i = 0; ok && i < 2; ++i) {
    const double hz = NoteFrequency(static_cast<int16_t>(groups[i].note));
    const double ms = groups[i].code * 12;
    const double gotHz = tones[i].FrequencyHz, gotMs = Ms(tones[i].End - tones[i].Start);
    if (std::abs(gotHz - hz) > hz * 0.01) {
      std::printf("FAIL: tone %zu at %.2f Hz, expected %.0f Hz within 1 %%\n", i + 1, gotHz, hz);
      ok = false;
    }
    if (std::abs(gotMs - ms) > 5) {
      std::printf("FAIL: tone %zu lasts %.1f ms, expected %.0f ms within 5 ms\n", i + 1, gotMs, ms);
      ok = false;
    }
  }
  if (ok && Ms(tones[1].Start - tones[0].End) >= 20) {
    std::printf("FAIL: gap of %.1f ms between the tones of one Sound\n", Ms(tones[1].Start - tones[0].End));
    ok = false;
  }
  // The program is held while the tones play: the player lets it go on while the last 40 ms are
  // still queued (plus what the fresh stream took in its first read), and not much later.
  if (heldMs < 540 - 100 || heldMs > 540 + 300) {
    std::printf("FAIL: Step took %lld ms for 540 ms of tones\n", static_cast<long long>(heldMs));
    ok = false;
  }
  std::printf(ok ? "PASS\n" : "FAIL\n");
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace qx9::test

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() == 3 && args[1] == QLatin1String("--measure")) return qx9::test::Measure(args[2]);
  if (args.size() == 2) return qx9::test::PlayAndCheck(args[1]);
  std::fprintf(stderr, "usage: qx9panel_audio_e2e [--measure] RECORDING\n");
  return 2;
}
