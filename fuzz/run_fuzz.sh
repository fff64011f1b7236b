#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer (build-fuzz),
# and fuzzes for a bounded time in all from the seed corpora: half of it the machine (corpus/), half the
# assembler and the listing (corpus_asm/). Fails on any finding: a crash, a sanitizer report or a broken
# invariant (the input is saved as fuzz/findings/crash-*).
# Usage: fuzz/run_fuzz.sh [SECONDS]   (default 60, for both targets together)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DQX9_SANITIZE=ON -DQX9_FUZZ=ON -DQX9_BUILD_PANEL=OFF >/dev/null
cmake --build "$build" -j 2 --target qx9fuzz qx9fuzz_asm >/dev/null

# New inputs go to scratch corpora; the seed corpora in the repository stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/findings
half=$(((seconds + 1) / 2))

# fuzz TARGET SEED-CORPUS MAX-LEN SECONDS
fuzz() {
  local status
  mkdir -p "$work/$1"
  set +e
  "$build/fuzz/$1" "$work/$1" "$2" -max_total_time="$4" -max_len="$3" -timeout=10 \
    -rss_limit_mb=1024 -artifact_prefix=fuzz/findings/ -print_final_stats=1 2>&1 | tail -25
  status=${PIPESTATUS[0]}
  set -e
  if [[ $status -ne 0 ]]; then
    echo "run_fuzz: $1: finding(s) saved in fuzz/findings/" >&2
    exit "$status"
  fi
}
fuzz qx9fuzz fuzz/corpus 1024 "$half"
# Sources up to 4 KiB: a full program takes about two.
fuzz qx9fuzz_asm fuzz/corpus_asm 4096 "$((seconds - half > 0 ? seconds - half : 1))"
