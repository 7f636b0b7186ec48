#!/usr/bin/env bash
# What crash-safe appends cost: `zrt append` of 1,000 records and of 1 record onto a
# fresh copy of the catalog's «poetry» edition, packed (no update index) and with 1,000
# records already in its update index (whose pages the journal must then save first);
# the median wall time of RUNS runs each (default 9). Give the tool of each build to
# compare them.
#   bench/append_bench.sh ZRT CATALOG_FOLDER [RUNS]
set -euo pipefail
zrt=$1 catalog=$2 runs=${3:-9}
src="$(cd "$(dirname "$0")/.." && pwd)/samples/ruslit/editions"
header=(--header "$src/prose.header.json")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -n 1000 "$src/prose.jsonl" >"$work/1000.jsonl"
sed -n 1001,2000p "$src/prose.jsonl" >"$work/earlier.jsonl"
head -n 1 "$src/prose.jsonl" >"$work/1.jsonl"
mkdir "$work/packed" "$work/updated"
for f in "$catalog"/poetry.*; do
  case "$f" in *.lck) continue ;; esac
  cp "$f" "$work/packed/ed.${f##*.}"
  cp "$f" "$work/updated/ed.${f##*.}"
done
"$zrt" append "$work/updated/ed" "$work/earlier.jsonl" "${header[@]}" >/dev/null
for state in packed updated; do
  for n in 1000 1; do
    times=()
    for ((i = 0; i < runs; i++)); do
      rm -f "$work"/ed.*
      cp "$work/$state"/ed.* "$work/"
      sync
      start=$(date +%s%N)
      "$zrt" append "$work/ed" "$work/$n.jsonl" "${header[@]}" >/dev/null
      times+=($(( ($(date +%s%N) - start) / 1000 )))
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
    printf 'append of %4d record(s), %s: median %7.1f ms over %d runs\n' "$n" "$state" \
      "$(echo "$median" | awk '{print $1 / 1000}')" "$runs"
  done
done
