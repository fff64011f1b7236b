#!/usr/bin/env bash
# Builds in Release (build-bench), runs the core benchmarks, then times the whole qx9run process on a
# million instructions of each benchmark program: with hyperfine when it is installed, otherwise with a
# plain loop of ten runs. Then, unless QX9_BENCH_PANEL=0, runs the panel benchmark on a virtual X server
# (when xvfb-run is installed): pace, Pause 1000 and CPU time per emulated second of a real-time free
# run. Usage: bench/run_bench.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX9_BUILD_PANEL=OFF >/dev/null
cmake --build "$build" -j 2 --target qx9bench qx9bench_program qx9run >/dev/null

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== core benchmarks"
"$build/bench/qx9bench" --benchmark_min_time=1 "$@"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/qx9bench_program" loop "$work/LOOP.OBJ"
"$build/bench/qx9bench_program" families "$work/FAMILIES.OBJ"
qx9run=$(realpath "$build/src/app/qx9run")

# The families program takes its Pot and Pulse In values from the boxes, as the benchmarks' host does.
for program in LOOP FAMILIES; do
  for mode in "" "--run"; do
    args=(--quiet --steps 1000000 $mode --pot 42 --pulsin 17 "$work/$program.OBJ")
    echo "== qx9run ${args[*]/$work\//}"
    "$qx9run" "${args[@]}" >"$work/out.txt"
    grep -m1 '^limit' "$work/out.txt"
    if command -v hyperfine >/dev/null; then
      hyperfine -N --warmup 1 --runs 10 --style basic --output=null "$qx9run ${args[*]}"
    else
      start=$(date +%s%N)
      for _ in 1 2 3 4 5 6 7 8 9 10; do "$qx9run" "${args[@]}" >/dev/null; done
      echo "mean of 10 runs: $(( ($(date +%s%N) - start) / 10000000 )) ms"
    fi
  done
done

# The panel: a window really drawn on a virtual X server, built in Release with the panel.
if [[ "${QX9_BENCH_PANEL:-1}" != 0 ]] && command -v xvfb-run >/dev/null; then
  panel_build=build-bench-panel
  cmake -S . -B "$panel_build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$panel_build" -j 2 --target qx9panel_bench >/dev/null
  runtime=$(mktemp -d)
  chmod 0700 "$runtime"
  for mode in "" "--every-instruction"; do
    echo "== qx9panel_bench 5 $mode (xcb on Xvfb)"
    XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 800x600x24" \
      "$panel_build/bench/qx9panel_bench" 5 $mode 2>/dev/null
  done
  rm -rf "$runtime"
fi
