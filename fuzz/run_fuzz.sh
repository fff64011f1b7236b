#!/usr/bin/env bash
# Builds the libFuzzer target with clang, AddressSanitizer and UndefinedBehaviorSanitizer (build-fuzz),
# and fuzzes the machine for a bounded time from the seed corpus. Fails on any finding: a crash, a
# sanitizer report or a broken invariant (the input is saved as fuzz/findings/crash-*).
# Usage: fuzz/run_fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DQX9_SANITIZE=ON -DQX9_FUZZ=ON -DQX9_BUILD_PANEL=OFF >/dev/null
cmake --build "$build" -j 2 --target qx9fuzz >/dev/null

# New inputs go to a scratch corpus; the seed corpus in the repository stays as it is.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/findings
set +e
"$build/fuzz/qx9fuzz" "$work" fuzz/corpus -max_total_time="$seconds" -max_len=1024 -timeout=10 \
  -rss_limit_mb=1024 -artifact_prefix=fuzz/findings/ -print_final_stats=1 2>&1 | tail -25
status=${PIPESTATUS[0]}
set -e
if [[ $status -ne 0 ]]; then
  echo "run_fuzz: finding(s) saved in fuzz/findings/" >&2
  exit "$status"
fi
