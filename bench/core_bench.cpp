// Instructions per second of the machine core, with a host that does nothing:
//   ExecuteNext on the arithmetic loop, ExecuteNext on every instruction family, PreviewNext alone,
//   and a Step press (ExecuteNext then PreviewNext), which is what the headless runner does per line.
// The argument is what the host tells the core about its word boxes (see Host::WordBoxes): 0 nothing
// (read and parse them every cycle), 1 they hold what was shown, 2 there is no panel.
#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "bench_programs.h"
#include "core/history.h"
#include "core/machine.h"
#include "core/signal_recorder.h"

namespace qx9::bench {
namespace {

struct LoadedMachine {
  NullHost host;
  Machine machine{host};

  LoadedMachine(const std::array<uint8_t, 256>& image, const benchmark::State& state)
      : host(static_cast<Host::Boxes>(state.range(0))) {
    machine.LoadImage(image);
    machine.StartProgram();
  }
};

void ReportRate(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations());
  static const char* const kLabels[] = {"boxes read", "boxes as shown", "no panel"};
  state.SetLabel(kLabels[state.range(0)]);
}

void BoxModes(benchmark::internal::Benchmark* b) { b->Arg(0)->Arg(1)->Arg(2); }

void BM_ExecuteNext_ArithmeticLoop(benchmark::State& state) {
  LoadedMachine rig(ArithmeticLoop(), state);
  for (auto _ : state) rig.machine.ExecuteNext();
  ReportRate(state);
}
BENCHMARK(BM_ExecuteNext_ArithmeticLoop)->Apply(BoxModes);

void BM_ExecuteNext_EveryFamily(benchmark::State& state) {
  LoadedMachine rig(EveryFamilyLoop(), state);
  for (auto _ : state) rig.machine.ExecuteNext();
  ReportRate(state);
}
BENCHMARK(BM_ExecuteNext_EveryFamily)->Apply(BoxModes);

// The same instruction decoded over and over: the preview restores the position each time.
void BM_PreviewNext_ArithmeticLoop(benchmark::State& state) {
  LoadedMachine rig(ArithmeticLoop(), state);
  rig.machine.ExecuteNext();  // now at the If, the longest instruction of the loop
  for (auto _ : state) rig.machine.PreviewNext();
  ReportRate(state);
}
BENCHMARK(BM_PreviewNext_ArithmeticLoop)->Apply(BoxModes);

void BM_PreviewNext_EveryFamily(benchmark::State& state) {
  LoadedMachine rig(EveryFamilyLoop(), state);
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
BENCHMARK(BM_PreviewNext_EveryFamily)->Apply(BoxModes);

void BM_StepClick_ArithmeticLoop(benchmark::State& state) {
  LoadedMachine rig(ArithmeticLoop(), state);
  for (auto _ : state) rig.machine.Step_Click();
  ReportRate(state);
}
BENCHMARK(BM_StepClick_ArithmeticLoop)->Apply(BoxModes);

// A listener that does nothing: what the listener hooks themselves cost, recorder or not.
void BM_EmptyListener_ArithmeticLoop(benchmark::State& state) {
  LoadedMachine rig(ArithmeticLoop(), state);
  MachineListener listener;
  rig.machine.AddListener(listener);
  for (auto _ : state) rig.machine.ExecuteNext();
  rig.machine.RemoveListener(listener);
  ReportRate(state);
}
BENCHMARK(BM_EmptyListener_ArithmeticLoop)->Apply(BoxModes);

// The same runs with the signal recorder listening: its whole cost per instruction. The arithmetic loop
// changes a word at every Let, so its ring fills and wraps (the worst case); the family loop also logs
// tones, PWM and the Pot and PulsIn reads.
void RecordWhileRunning(benchmark::State& state, const std::array<uint8_t, 256>& program) {
  LoadedMachine rig(program, state);
  SignalRecorder recorder;
  recorder.Restart(rig.machine);
  rig.machine.AddListener(recorder);
  for (auto _ : state) rig.machine.ExecuteNext();
  rig.machine.RemoveListener(recorder);
  ReportRate(state);
}

void BM_Recording_ArithmeticLoop(benchmark::State& state) { RecordWhileRunning(state, ArithmeticLoop()); }
BENCHMARK(BM_Recording_ArithmeticLoop)->Apply(BoxModes);

void BM_Recording_EveryFamily(benchmark::State& state) { RecordWhileRunning(state, EveryFamilyLoop()); }
BENCHMARK(BM_Recording_EveryFamily)->Apply(BoxModes);

// The same loops with the history recording every instruction: the recorder's cost is the difference.
void BM_ExecuteNext_WithHistory(benchmark::State& state) {
  LoadedMachine rig(state.range(1) == 0 ? ArithmeticLoop() : EveryFamilyLoop(), state);
  History history;
  history.Attach(rig.machine);
  for (auto _ : state) rig.machine.ExecuteNext();
  ReportRate(state);
  state.counters["history_bytes_per_instruction"] =
      static_cast<double>(history.MemoryBytes()) / static_cast<double>(history.Size() + 1);
  history.Detach();
}
BENCHMARK(BM_ExecuteNext_WithHistory)->Args({2, 0})->Args({2, 1});

// Going to a random point of a history of 10 M instructions of the every-family loop, as Step Back
// and the slider do; the history's memory is reported.
void BM_HistoryGoTo_10M(benchmark::State& state) {
  LoadedMachine rig(EveryFamilyLoop(), state);
  History history;
  history.Attach(rig.machine);
  while (rig.machine.InstructionsExecuted < 10'000'000) rig.machine.ExecuteNext();
  uint64_t seed = 88172645463325252ull;
  for (auto _ : state) {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    history.GoTo(history.FirstPoint() + seed % (history.Size() + 1));
  }
  ReportRate(state);
  state.counters["history_MB"] = static_cast<double>(history.MemoryBytes()) / (1024.0 * 1024.0);
  state.counters["instructions_kept"] = static_cast<double>(history.Size());
  history.Detach();
}
BENCHMARK(BM_HistoryGoTo_10M)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
}  // namespace qx9::bench

BENCHMARK_MAIN();
