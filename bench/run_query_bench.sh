#!/bin/sh
# One command for the query benchmark: builds the corpus (once), the packed edition
# (once), a copy with 5% of its records rewritten through the update index, and the
# SQLite FTS5 table, then prints per query the counts, medians and whether the found
# sets agree. Usage: bench/run_query_bench.sh [BUILD_DIR] [N]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
n=${2:-100000}
data=$build/benchdata
mkdir -p "$data"
cmake --build "$build" --target zrt query_bench -j2 >/dev/null
[ -s "$data/corpus.jsonl" ] || python3 "$here/../../shared/bench/gen_corpus.py" "$n" "$data/corpus.jsonl"
if [ ! -s "$data/packed.cdx" ]; then
  "$build/tools/zrt/zrt" load "$data/packed" "$data/corpus.jsonl" --header "$here/corpus-header.json" >&2
fi
for ext in cdo cdx cdb cdp cdd cdh; do cp "$data/packed.$ext" "$data/updated.$ext"; done
rm -f "$data/updated.cdl" "$data/updated.cdi"
q="$here/../../shared/bench/queries.tsv"
"$build/bench/query_bench" "$data/packed" "$q" > "$data/packed.tsv"
"$build/bench/query_bench" "$data/updated" "$q" --update-percent 5 > "$data/updated.tsv"
python3 "$here/fts5_bench.py" "$data/corpus.jsonl" "$q" "$data/fts5.db" > "$data/fts5.tsv"
python3 - "$data/packed.tsv" "$data/updated.tsv" "$data/fts5.tsv" "$q" <<'PY'
import sys
def read(p):
    rows = {}
    for line in open(p).read().splitlines()[1:]:
        c = line.split("\t")
        rows[c[0]] = c
    return rows
packed, updated, fts = (read(p) for p in sys.argv[1:4])
classes = {l.split("\t")[0]: l.split("\t")[1] for l in open(sys.argv[4], encoding="utf-8").read().splitlines()[1:]}
print("%-4s %-20s %9s %9s %9s %9s %9s %9s  %s" % ("qid", "class", "packed", "ms", "updated", "ms", "fts5", "ms", "sets"))
tp = tu = tf = 0.0
for qid in packed:
    p, u, f = packed[qid], updated.get(qid), fts.get(qid)
    same = "same" if f and p[3] == f[3] else "differ"
    if u and u[3] != p[3]: same += ", updated differs"
    tp += float(p[2]) if p[2] != "-" else 0
    tu += float(u[2]) if u and u[2] != "-" else 0
    tf += float(f[2]) if f and f[2] != "-" else 0
    print("%-4s %-20s %9s %9s %9s %9s %9s %9s  %s" % (qid, classes.get(qid, ""), p[1], p[2], u[1] if u else "-",
          u[2] if u else "-", f[1] if f else "-", f[2] if f else "-", same))
print("sum of medians (ms): packed %.1f, updated %.1f, fts5 %.1f" % (tp, tu, tf))
PY
