// qx9panel_bench: runs programs freely on the real panel and reports how close it keeps real time —
// instructions per second (aim: 1000), the real length of a Pause 1000 (aim: one second) — and what a
// free run costs: CPU time per emulated second and the panel's widget writes. Not a test: the figures
// depend on the machine and its load.
//
//   qx9panel_bench [SECONDS] [--every-instruction]
//
// Offscreen unless QT_QPA_PLATFORM says otherwise; run it under xvfb-run with QT_QPA_PLATFORM=xcb to
// measure a window that is really drawn. --every-instruction draws the panel after every instruction,
// as before drawing was paced by frames, for comparison.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "panel/form1.h"
#include "support/program_builder.h"

namespace {

using qx9::test::C;
using qx9::test::ProgramBuilder;
using qx9::test::V;

bool everyInstruction = false;

// Form1 that notes when the core hands over each view and what it showed.
class TimedForm : public qx9::Form1 {
 public:
  QElapsedTimer Clock;
  std::vector<std::pair<qint64, std::string>> Redraws;  // ns, StateBox text
  void ShowPanel(const qx9::PanelView& view) override {
    Form1::ShowPanel(view);
    if (everyInstruction) FlushPanel();
    Redraws.emplace_back(Clock.nsecsElapsed(), view.StateText);
  }
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Run {
  std::vector<std::pair<qint64, std::string>> Redraws;
  double WallSeconds = 0;
  double CpuSeconds = 0;
  double EmulatedSeconds = 0;
  qint64 WidgetWrites = 0;
};

// Runs the program freely for the given time; the first half second (the window settling) is left out
// of the CPU and wall time.
Run RunFreely(const ProgramBuilder& program, int ms) {
  TimedForm form;
  form.machine().LoadImage(program.Build());
  form.show();
  form.machine().StartProgram();
  form.Redraws.clear();
  Run run;
  double cpuFrom = 0;
  int64_t simFrom = 0;
  qint64 writesFrom = 0;
  QElapsedTimer wall;
  form.Clock.start();
  form.RunBtn_Click();
  QTimer::singleShot(500, [&] {
    cpuFrom = CpuSeconds();
    simFrom = form.machine().SimTimeUs;
    writesFrom = form.display().WidgetWrites();
    wall.start();
  });
  QTimer::singleShot(ms, [&] {
    run.WallSeconds = wall.nsecsElapsed() / 1e9;
    run.CpuSeconds = CpuSeconds() - cpuFrom;
    run.EmulatedSeconds = (form.machine().SimTimeUs - simFrom) / 1e6;
    run.WidgetWrites = form.display().WidgetWrites() - writesFrom;
    form.RunBtn_Click();
    QApplication::quit();
  });
  QApplication::exec();
  run.Redraws = std::move(form.Redraws);
  return run;
}

void PrintCost(const char* name, const Run& run) {
  std::printf(
      "%s cost: %.3f s CPU in %.3f s (%.1f %% of one core), %.1f ms CPU per emulated second, "
      "%.0f widget writes/s\n",
      name, run.CpuSeconds, run.WallSeconds, 100 * run.CpuSeconds / run.WallSeconds,
      1000 * run.CpuSeconds / run.EmulatedSeconds, run.WidgetWrites / run.WallSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int seconds = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--every-instruction") == 0) {
      everyInstruction = true;
    } else {
      seconds = std::max(1, std::atoi(argv[i]));
    }
  }
  std::printf("platform: %s, panel drawn %s\n", qPrintable(QGuiApplication::platformName()),
              everyInstruction ? "after every instruction" : "once per frame");

  // A program without waits: one instruction per tick.
  {
    ProgramBuilder p;
    p.Label("top").Let(V("W0"), {{3, C(1)}}).Toggle(C(0)).Goto("top");
    const Run run = RunFreely(p, seconds * 1000 + 500);
    const auto& redraws = run.Redraws;
    const qint64 from = 500'000'000;
    const auto first = std::find_if(redraws.begin(), redraws.end(), [&](const auto& r) { return r.first >= from; });
    const double count = static_cast<double>(redraws.end() - first);
    const double span = (redraws.back().first - first->first) / 1e9;
    const double ips = (count - 1) / span;
    std::printf("free run: %.0f instructions in %.3f s = %.1f instructions/s (aim 1000, %+.2f %%)\n", count, span, ips,
                (ips - 1000) / 10);
    PrintCost("free run", run);
  }

  // Pause 1000 between two instructions: the time from the Pause's view to the next one.
  {
    ProgramBuilder p;
    p.Label("top").Toggle(C(0)).Pause(C(1000)).Goto("top");
    const Run run = RunFreely(p, std::max(seconds, 4) * 1000 + 200);
    const auto& redraws = run.Redraws;
    std::vector<double> lengths;
    for (size_t i = 0; i + 1 < redraws.size(); ++i) {
      if (redraws[i].second.rfind("Pause", 0) == 0) lengths.push_back((redraws[i + 1].first - redraws[i].first) / 1e6);
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
                lengths.size(), sum / lengths.size(), *lo, *hi, (worst - 1000) / 10);
    // Nearly nothing to draw: what is left is the run timer's own wake-ups.
    PrintCost("Pause loop", run);
  }
  return 0;
}
