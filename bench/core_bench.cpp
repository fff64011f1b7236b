// Instructions per second of the machine core, with a host that shows nothing:
//   ExecuteNext on the arithmetic loop, ExecuteNext on every instruction family, PreviewNext alone,
//   and a Step press (ExecuteNext then PreviewNext), which is what the headless runner does per line.
#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "bench_programs.h"
#include "core/machine.h"

namespace qx9::bench {
namespace {

struct LoadedMachine {
  NullHost host;
  Machine machine{host};

  explicit LoadedMachine(const std::array<uint8_t, 256>& image) {
    machine.LoadImage(image);
    machine.StartProgram();
  }
};

void ReportRate(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations());
  state.counters["instr/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ExecuteNext_ArithmeticLoop(benchmark::State& state) {
  LoadedMachine rig(ArithmeticLoop());
  for (auto _ : state) rig.machine.ExecuteNext();
  ReportRate(state);
}
BENCHMARK(BM_ExecuteNext_ArithmeticLoop);

void BM_ExecuteNext_EveryFamily(benchmark::State& state) {
  LoadedMachine rig(EveryFamilyLoop());
  for (auto _ : state) rig.machine.ExecuteNext();
  ReportRate(state);
}
BENCHMARK(BM_ExecuteNext_EveryFamily);

// The same instruction decoded over and over: the preview restores the position each time.
void BM_PreviewNext_ArithmeticLoop(benchmark::State& state) {
  LoadedMachine rig(ArithmeticLoop());
  rig.machine.ExecuteNext();  // now at the If, the longest instruction of the loop
  for (auto _ : state) rig.machine.PreviewNext();
  ReportRate(state);
}
BENCHMARK(BM_PreviewNext_ArithmeticLoop);

void BM_PreviewNext_EveryFamily(benchmark::State& state) {
  LoadedMachine rig(EveryFamilyLoop());
  // The positions of one pass through the program, so every family is previewed in turn.
  std::vector<std::pair<int16_t, int16_t>> positions;
  for (int i = 0; i < 64; ++i) {
    positions.emplace_back(rig.machine.TokByte, rig.machine.TokBit);
    rig.machine.ExecuteNext();
  }
  size_t k = 0;
  for (auto _ : state) {
    rig.machine.TokByte = positions[k].first;
    rig.machine.TokBit = positions[k].second;
    rig.machine.PreviewNext();
    k = k + 1 == positions.size() ? 0 : k + 1;
  }
  ReportRate(state);
}
BENCHMARK(BM_PreviewNext_EveryFamily);

void BM_StepClick_ArithmeticLoop(benchmark::State& state) {
  LoadedMachine rig(ArithmeticLoop());
  for (auto _ : state) rig.machine.Step_Click();
  ReportRate(state);
}
BENCHMARK(BM_StepClick_ArithmeticLoop);

}  // namespace
}  // namespace qx9::bench

BENCHMARK_MAIN();
