#!/usr/bin/env python3
"""The peer figures of the query benchmark: the corpus in an SQLite FTS5 table (rowid =
line number, as the edition's record number), the "fts5" column of the query table run
against it; per query the count, the median time of fetching all matching rowids, and
the same digest of the sorted ids as query_bench prints."""
import json, sqlite3, statistics, sys, time

FIELDS = ["TI", "AU", "SO", "KW", "LA", "PY", "CC", "DT", "AB", "G36"]


def digest(ids):
    h = 1469598103934665603
    text = ",".join(str(i) for i in ids).encode()
    for c in text:
        h = ((h ^ c) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def main():
    corpus, queries, db = sys.argv[1], sys.argv[2], sys.argv[3]
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    con = sqlite3.connect(db)
    have = con.execute("select count(*) from sqlite_master where name='docs'").fetchone()[0]
    if not have:
        start = time.time()
        con.execute("create virtual table docs using fts5(%s)" % ", ".join(FIELDS))
        with open(corpus, encoding="utf-8") as f:
            rows = ((n + 1, *[str(json.loads(line).get(k, "")) for k in FIELDS]) for n, line in enumerate(f))
            con.executemany("insert into docs(rowid, %s) values (?%s)" % (", ".join(FIELDS), ", ?" * len(FIELDS)), rows)
        con.commit()
        print("fts5 load + index: %.1f s" % (time.time() - start), file=sys.stderr)
    print("qid\tcount\tmedian_ms\tdigest")
    with open(queries, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        col = header.index("fts5")
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if len(cols) <= col:
                continue
            times, ids = [], []
            try:
                for _ in range(runs):
                    t = time.perf_counter()
                    ids = [r[0] for r in con.execute("select rowid from docs where docs match ? order by rowid", (cols[col],))]
                    times.append((time.perf_counter() - t) * 1000)
                print("%s\t%d\t%.3f\t%s" % (cols[0], len(ids), statistics.median(times), digest(ids)))
            except sqlite3.Error as e:
                print("%s\t-1\t-\t%s" % (cols[0], e))


if __name__ == "__main__":
    main()
