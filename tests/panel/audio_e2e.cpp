// Run by audio_e2e.sh under a private sound server that records its output: `RECORDING RATE CHANNELS`
// steps a two-group Sound and checks the tones' pitch, length and gap; `... stall` checks the fallback.
#include <QElapsedTimer>
#include <QFile>
#include <cstdlib>
#include <cstring>

#include "panel/audio_tone_player.h"
#include "panel_rig.h"

namespace qx9::test {
namespace {

int Sign(int16_t s) { return (s > 0) - (s < 0); }

// The recording's first channel; false when another channel differs from it (a tone goes out on all).
bool FirstChannel(const QByteArray& bytes, int channels, std::vector<int16_t>& out) {
  std::vector<int16_t> all(static_cast<size_t>(bytes.size() / 2));
  std::memcpy(all.data(), bytes.constData(), all.size() * 2);
  const size_t frames = all.size() / static_cast<size_t>(channels);
  out.resize(frames);
  bool same = true;
  for (size_t f = 0; f < frames; ++f) {
    out[f] = all[f * static_cast<size_t>(channels)];
    for (int c = 1; c < channels; ++c) {
      same = same && all[f * static_cast<size_t>(channels) + static_cast<size_t>(c)] == out[f];
    }
  }
  return same;
}

// Prints each check as ok or FAIL and remembers whether all passed.
struct Checks {
  bool Ok = true;
  bool operator()(bool good, const QString& what) {
    std::printf("%s: %s\n", good ? "ok" : "FAIL", qPrintable(what));
    Ok = Ok && good;
    return good;
  }
};

std::unique_ptr<AudioTonePlayer> Player() {
  auto player = AudioTonePlayer::ForDefaultOutput();
  if (!player) std::fprintf(stderr, "no audio output although the sound server runs\n");
  return player;
}

// Sound 1,(100,25,120,20): 428 Hz for 300 ms, then 1479 Hz for 240 ms, in one press of Step.
int TwoGroupSound(const QString& path, int rate, int channels) {
  const int notes[2] = {100, 120};
  const int codes[2] = {25, 20};  // in 12 ms units
  const auto Ms = [rate](size_t samples) { return static_cast<double>(samples) * 1000.0 / rate; };
  auto player = Player();
  if (!player) return 1;
  PanelRig rig;
  rig.form = std::make_unique<Form1>(std::make_unique<ScriptedDialogs>(), std::move(player));
  rig.Load(ProgramBuilder().Sound(C(1), {{C(codes[0]), C(notes[0])}, {C(codes[1]), C(notes[1])}}).End());
  QElapsedTimer held;
  held.start();
  QTest::mouseClick(rig.Button("Step"), Qt::LeftButton);
  const qint64 heldMs = held.elapsed();
  QTest::qWait(300);  // lets the server and the reader write the end of the recording out

  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    std::printf("FAIL: no recording\n");
    return 1;
  }
  std::vector<int16_t> s;
  const bool sameOnAll = FirstChannel(file.readAll(), channels, s);
  double hz[2];
  for (int t = 0; t < 2; ++t) hz[t] = NoteFrequency(static_cast<int16_t>(notes[t]));
  // Each level run (a half period) that is not silence belongs to the tone whose half period is nearer.
  const double halfRuns[2] = {rate / (2 * hz[0]), rate / (2 * hz[1])};
  size_t bounds[2][2] = {{s.size(), 0}, {s.size(), 0}};
  for (size_t i = 0, j = 0; i < s.size(); i = j) {
    for (j = i + 1; j < s.size() && Sign(s[j]) == Sign(s[i]); ++j) {}
    if (s[i] == 0) continue;
    const double run = static_cast<double>(j - i);
    size_t* tone = bounds[std::abs(run - halfRuns[0]) <= std::abs(run - halfRuns[1]) ? 0 : 1];
    tone[0] = std::min(tone[0], i);
    tone[1] = std::max(tone[1], j);
  }
  Checks check;
  const bool twoTones = bounds[0][1] > bounds[0][0] && bounds[1][1] > bounds[1][0];
  if (!check(twoTones, QStringLiteral("two tones recorded"))) return 1;
  for (int t = 0; t < 2; ++t) {
    const double ms = codes[t] * 12;
    const double gotHz = CrossingFrequency(s.data() + bounds[t][0], bounds[t][1] - bounds[t][0], rate);
    const double gotMs = Ms(bounds[t][1] - bounds[t][0]);
    check(std::abs(gotHz - hz[t]) <= hz[t] * 0.01,
          QStringLiteral("tone %1 at %2 Hz, %3 Hz within 1 %").arg(t + 1).arg(gotHz).arg(hz[t]));
    check(std::abs(gotMs - ms) <= 5,
          QStringLiteral("tone %1 lasts %2 ms, %3 ms within 5 ms").arg(t + 1).arg(gotMs).arg(ms));
  }
  check(sameOnAll, QStringLiteral("every one of %1 channel(s) carries the tones").arg(channels));
  const double gap = Ms(bounds[1][0]) - Ms(bounds[0][1]);
  check(gap > -2 && gap < 20, QStringLiteral("the second tone follows %1 ms after the first, under 20").arg(gap));
  // The program is held while the tones play, let go with the last 40 ms still queued, not much later.
  const qint64 total = (codes[0] + codes[1]) * 12;
  check(heldMs >= total - 100 && heldMs <= total + 300,
        QStringLiteral("Step held the program %1 ms for %2 ms of tones").arg(heldMs).arg(total));
  return check.Ok ? 0 : 1;
}

// A suspended output: the tone's wait gives up, says once that sound is off, later tones only wait.
int StallAndCheck() {
  auto player = Player();
  if (!player) return 1;
  if (std::system("pactl suspend-sink recorder 1") != 0) {
    std::printf("FAIL: the output cannot be suspended\n");
    return 1;
  }
  qint64 stalledMs = 0;
  qint64 afterMs = 0;
  const QByteArray text = StderrOf([&] {
    QElapsedTimer clock;
    clock.start();
    player->Tone(428, 300);
    stalledMs = clock.restart();
    player->Tone(428, 300);
    afterMs = clock.elapsed();
  });
  Checks check;
  check(stalledMs >= 300 && stalledMs <= 300 + 1000 + 700,
        QStringLiteral("the stalled tone held %1 ms").arg(stalledMs));
  check(afterMs >= 300 && afterMs <= 300 + 150, QStringLiteral("the next tone only waited, %1 ms").arg(afterMs));
  check(text.count("sound is off (the audio output stopped playing") == 1, QString::fromLocal8Bit(text));
  return check.Ok ? 0 : 1;
}

}  // namespace
}  // namespace qx9::test

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool stall = argc == 5 && std::strcmp(argv[4], "stall") == 0;
  if (argc != 4 && !stall) {
    std::fprintf(stderr, "usage: qx9panel_audio_e2e RECORDING RATE CHANNELS [stall]\n");
    return 2;
  }
  if (stall) return qx9::test::StallAndCheck();
  const int rate = std::atoi(argv[2]);
  const int channels = std::atoi(argv[3]);
  if (rate <= 0 || channels <= 0) {
    std::fprintf(stderr, "qx9panel_audio_e2e: bad RATE or CHANNELS\n");
    return 2;
  }
  return qx9::test::TwoGroupSound(QString::fromLocal8Bit(argv[1]), rate, channels);
}
