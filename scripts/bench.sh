#!/usr/bin/env bash
# Runs the load-and-pack benchmark: makes the shared corpus of N records (default
# 100000) once, builds the tool and the benchmark in build-bench, and compares `zrt load`
# + `zrt pack` with SQLite FTS5 on the same file.
#   scripts/bench.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
n="${1:-100000}"
scripts/bench-setup.sh
generator="${ZRT_CORPUS_GENERATOR:-../shared/bench/gen_corpus.py}"
data=build-bench/bench-data
mkdir -p "$data"
corpus="$data/corpus-$n.jsonl"
if [ ! -s "$corpus" ]; then
  python3 "$generator" "$n" "$corpus.part"
  mv "$corpus.part" "$corpus"
fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZRT_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target bench_load
ZRT_BENCH_CORPUS="$corpus" ZRT_BENCH_DIR="$PWD/build-bench" ./build-bench/bench/bench_load
