// qx9panel_bench: runs programs freely on the real panel and reports how close it keeps real time —
// instructions per second with the panel redrawn after each one (aim: 1000), and the real length of a
// Pause 1000 (aim: one second). Not a test: the figures depend on the machine and its load.
//
//   qx9panel_bench [SECONDS]      (offscreen unless QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "panel/form1.h"
#include "support/program_builder.h"

namespace {

using qx9::test::C;
using qx9::test::ProgramBuilder;
using qx9::test::V;

// Form1 that notes when each redraw happens and what it showed.
class TimedForm : public qx9::Form1 {
 public:
  QElapsedTimer Clock;
  std::vector<std::pair<qint64, std::string>> Redraws;  // ns, StateBox text
  void ShowPanel(const qx9::PanelView& view) override {
    Form1::ShowPanel(view);
    Redraws.emplace_back(Clock.nsecsElapsed(), view.StateText);
  }
};

// Runs the program freely for the given time and returns the redraws.
std::vector<std::pair<qint64, std::string>> RunFreely(const ProgramBuilder& program, int ms) {
  TimedForm form;
  form.machine().LoadImage(program.Build());
  form.show();
  form.machine().StartProgram();
  form.Redraws.clear();
  form.Clock.start();
  form.RunBtn_Click();
  QTimer::singleShot(ms, [&] { form.RunBtn_Click(); QApplication::quit(); });
  QApplication::exec();
  return form.Redraws;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

  // A program without waits: one instruction per tick.
  {
    ProgramBuilder p;
    p.Label("top").Let(V("W0"), {{3, C(1)}}).Toggle(C(0)).Goto("top");
    const auto redraws = RunFreely(p, seconds * 1000 + 500);
    // The first half second is left out: the window is still settling.
    const qint64 from = 500'000'000;
    const auto first = std::find_if(redraws.begin(), redraws.end(), [&](const auto& r) { return r.first >= from; });
    const double count = static_cast<double>(redraws.end() - first);
    const double span = (redraws.back().first - first->first) / 1e9;
    const double ips = (count - 1) / span;
    std::printf("free run: %.0f instructions in %.3f s = %.1f instructions/s (aim 1000, %+.2f %%)\n", count, span,
                ips, (ips - 1000) / 10);
  }

  // Pause 1000 between two instructions: the time from the Pause's redraw to the next one.
  {
    ProgramBuilder p;
    p.Label("top").Toggle(C(0)).Pause(C(1000)).Goto("top");
    const auto redraws = RunFreely(p, std::max(seconds, 4) * 1000 + 200);
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
  }
  return 0;
}
