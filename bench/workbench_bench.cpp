// qx9workbench_bench: the panel's run with the workbench open beside it, at each speed. Real time must
// keep 1 000 instructions per second and a Pause 1000 to a second; as fast as possible should reach
// a million instructions per second with both windows shown. Not a test: the figures depend on the
// machine and its load.
//
//   qx9workbench_bench [SECONDS] [--fast-only [CONFIGURATION]]   (offscreen unless QT_QPA_PLATFORM says otherwise)
//
// CONFIGURATION runs as fast as possible only with "nothing", "recorder", "history" or "both" attached:
// one configuration per process, so a profiler's count (callgrind --toggle-collect='*RunFast*') is its own.
// As fast as possible is reported per second of the process's CPU time as well as of the wall clock:
// on a shared machine the wall-clock rate mostly measures the other jobs.
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "panel/form1.h"
#include "support/program_builder.h"
#include "workbench/workbench.h"

namespace {

using qx9::PacedTimer;
using qx9::test::C;
using qx9::test::ProgramBuilder;
using qx9::test::V;

// The panel noting when each instruction starts, and what it is.
class Timed : public qx9::MachineListener {
 public:
  QElapsedTimer Clock;
  std::vector<std::pair<qint64, int>> Starts;  // ns, opcode's address
  void BeforeInstruction(const qx9::Machine& m) override {
    Starts.emplace_back(Clock.nsecsElapsed(), m.LinearAddress());
  }
};

struct Bench {
  qx9::Form1 panel;
  qx9::Workbench bench{panel};

  explicit Bench(const ProgramBuilder& program, PacedTimer::Speed speed) {
    panel.machine().LoadImage(program.Build());
    panel.show();
    panel.machine().StartProgram();
    bench.SetProgram(program.Build(), QString());
    bench.show();
    bench.SetSpeed(speed, 10);
  }
  // Runs freely for ms of real time.
  void Run(int ms) {
    panel.RunBtn_Click();
    QTimer::singleShot(ms, [this] {
      if (panel.TimerEnabled()) panel.RunBtn_Click();
      QApplication::quit();
    });
    QApplication::exec();
  }
};

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The benchmark's window positions and breakpoints never reach the user's settings.
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const bool fastOnly = argc > 2 && std::strcmp(argv[2], "--fast-only") == 0;
  const char* const only = fastOnly && argc > 3 ? argv[3] : nullptr;
  std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

  // Real time, no waits: one instruction a millisecond.
  if (!fastOnly) {
    ProgramBuilder p;
    p.Label("top").Let(V("W0"), {{3, C(1)}}).Toggle(C(0)).Goto("top");
    Bench b(p, PacedTimer::Speed::RealTime);
    Timed timed;
    b.panel.machine().AddListener(timed);
    timed.Clock.start();
    b.Run(seconds * 1000 + 500);
    b.panel.machine().RemoveListener(timed);
    const auto first =
        std::find_if(timed.Starts.begin(), timed.Starts.end(), [](const auto& s) { return s.first >= 500'000'000; });
    const double count = static_cast<double>(timed.Starts.end() - first);
    const double span = (timed.Starts.back().first - first->first) / 1e9;
    const double ips = (count - 1) / span;
    std::printf("real time: %.0f instructions in %.3f s = %.1f instructions/s (aim 1000, %+.2f %%)\n", count, span, ips,
                (ips - 1000) / 10);
  }

  // Real time, Pause 1000: from the Pause's start to the next instruction's.
  if (!fastOnly) {
    ProgramBuilder p;
    p.Label("top").Toggle(C(0));
    const int pause = p.Here();
    p.Pause(C(1000)).Goto("top");
    Bench b(p, PacedTimer::Speed::RealTime);
    Timed timed;
    b.panel.machine().AddListener(timed);
    timed.Clock.start();
    b.Run(std::max(seconds, 4) * 1000 + 200);
    b.panel.machine().RemoveListener(timed);
    std::vector<double> lengths;
    for (size_t i = 0; i + 1 < timed.Starts.size(); ++i) {
      if (timed.Starts[i].second == pause) lengths.push_back((timed.Starts[i + 1].first - timed.Starts[i].first) / 1e6);
    }
    if (lengths.empty()) {
      std::printf("pause: no complete Pause measured\n");
      return 1;
    }
    double sum = 0;
    for (double l : lengths) sum += l;
    const auto [lo, hi] = std::minmax_element(lengths.begin(), lengths.end());
    const double worst = std::abs(*lo - 1000) > std::abs(*hi - 1000) ? *lo : *hi;
    std::printf("Pause 1000: %zu measured, mean %.2f ms, min %.2f ms, max %.2f ms (aim 1000, worst %+.2f %%)\n",
                lengths.size(), sum / static_cast<double>(lengths.size()), *lo, *hi, (worst - 1000) / 10);
  }

  // As fast as possible, both windows shown and redrawn at the display rate, with the recorder and the
  // history attached as the load step attaches them, or not.
  struct Attached {
    const char* key;
    const char* name;
    bool recorder;
    bool history;
  };
  const Attached configurations[] = {{"nothing", "nothing attached", false, false},
                                     {"recorder", "recorder", true, false},
                                     {"history", "history", false, true},
                                     {"both", "recorder and history", true, true}};
  for (const Attached& a : configurations) {
    if (only != nullptr && std::strcmp(only, a.key) != 0) continue;
    ProgramBuilder p;
    p.Label("top").Let(V("W0"), {{3, C(1)}}).Toggle(C(0)).Goto("top");
    Bench b(p, PacedTimer::Speed::Fastest);
    qx9::Machine& m = b.panel.machine();
    if (a.history) b.panel.history().Attach(m, m.LastPWM);
    if (a.recorder) {
      b.panel.recorder().Restart(m);
      m.AddListener(b.panel.recorder());
    }
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = ProcessCpuSeconds();
    const uint64_t before = m.InstructionsExecuted;
    b.Run(seconds * 1000);
    const double span = clock.nsecsElapsed() / 1e9;
    const double executed = static_cast<double>(m.InstructionsExecuted - before);
    const double ips = executed / span;
    const double perCpuSecond = executed / (ProcessCpuSeconds() - cpuBefore);
    if (a.recorder) m.RemoveListener(b.panel.recorder());
    if (a.history) b.panel.history().Detach();
    std::printf(
        "as fast as possible, %s: %.0f instructions/s over %.2f s (aim at least 1000000); %.0f per CPU second; "
        "shown: %s\n",
        a.name, ips, span, perCpuSecond, qPrintable(b.bench.speedText()));
  }
  return 0;
}
