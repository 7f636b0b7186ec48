#!/usr/bin/env bash
# Runs the peer benchmark: makes the shared corpus of each size once, builds the tool and
# the benchmark in build-bench (Release), then loads the corpus into this engine, SQLite
# FTS5 and Xapian and runs the shared query table on the three (and on the engine's
# edition with 5% of its records rewritten through the update index).
#   scripts/bench.sh [N...]          (default: 10000 100000)
# ZRT_BENCH_RUNS sets the runs per query (default 5); ZRT_BENCH_SKIP=xapian leaves
# Xapian out (its load takes minutes at 100,000 records).
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
((${#sizes[@]})) || sizes=(10000 100000)
scripts/bench-setup.sh
generator="${ZRT_CORPUS_GENERATOR:-../shared/bench/gen_corpus.py}"
queries="${ZRT_BENCH_QUERIES:-../shared/bench/queries.tsv}"
skip=()
[ -z "${ZRT_BENCH_SKIP:-}" ] || skip=(--skip "$ZRT_BENCH_SKIP")
data=build-bench/bench-data
mkdir -p "$data"
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZRT_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target peer_bench zrt
for n in "${sizes[@]}"; do
  corpus="$data/corpus-$n.jsonl"
  if [ ! -s "$corpus" ]; then
    python3 "$generator" "$n" "$corpus.part"
    mv "$corpus.part" "$corpus"
  fi
  echo "## $n records"
  ./build-bench/bench/peer_bench load "$corpus" "$data/peers-$n" "${skip[@]}"
  echo
  ./build-bench/bench/peer_bench query "$data/peers-$n" "$queries" --runs "${ZRT_BENCH_RUNS:-5}" \
    --update-percent 5 "${skip[@]}"
  echo
done
