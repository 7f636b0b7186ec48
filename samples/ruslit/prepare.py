#!/usr/bin/env python3
"""Derives the bundled catalog's inputs from records.jsonl.

Writes, next to this script:
  editions/NAME.jsonl     the documents of each edition, one object per record, keyed by
                          field code (ID TI AU SO PY LA CC DT KW AB DB G36)
  editions/NAME.contents  the edition's table of contents for `zrt load --contents`
  editions/NAME.header.json  its title, short name, copyright line and fields for
                          `zrt load --header`
and ../../config/classification.txt, the classification table of the subject sections.

The contents tree is subject -> author -> work. Section numbers are given once for the
whole collection, so a code means the same section in every edition. Siblings get numbers
of one width (1-9, or 10-99, or 100-999): a section's code is then never the beginning of a
sibling's code, so a section jump ('1.1.1.3$') finds only that section's records and the
contents pane nests every entry under its real parent.

Run it after changing records.jsonl or the tables below, and commit what it writes; the
build only loads the results with zrt. Standard library only.
"""
import collections
import json
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
CONFIG = os.path.join(HERE, "..", "..", "config")

# Subject sections: code -> (title, classification code). The records' own subjects are
# the deepest ones; the others are their parents. Classification codes are the catalog's
# own two-level rubrics (four digits, written "NN.NN" in queries).
SUBJECTS = {
    "1": ("Художественная литература", "0100"),
    "1.1": ("Художественная литература. Проза", "0110"),
    "1.1.1": ("Художественная литература. Проза. Роман", "0111"),
    "1.1.2": ("Художественная литература. Проза. Повесть, рассказ", "0112"),
    "1.2": ("Художественная литература. Поэзия", "0120"),
    "1.2.1": ("Художественная литература. Поэзия. Лирика", "0121"),
    "1.2.2": ("Художественная литература. Поэзия. Поэма", "0122"),
    "1.3": ("Художественная литература. Драматургия", "0130"),
    "2": ("Публицистика, философская и критическая проза", "0200"),
    "3": ("История", "0300"),
}

# Editions: base name -> (title, short name, the subjects whose records and subsections
# it holds).
EDITIONS = {
    "ruslit": ("Русская классическая литература", "Русская литература", ["1", "2", "3"]),
    "prose": ("Русская классическая литература: проза", "Проза", ["1.1"]),
    "poetry": ("Русская классическая литература: поэзия и драматургия",
               "Поэзия и драматургия", ["1.2", "1.3"]),
    "essays": ("Русская классическая литература: публицистика и история",
               "Публицистика и история", ["2", "3"]),
}
COPYRIGHT = "Tolvar, 2026. Тексты в общественном достоянии"

# Journals and newspapers of first publication; a separate work printed in one of them is
# document type 01. Other sources that are not the work itself are almanacs and
# collections (type 04, as chapters are).
PERIODICALS = {
    "Русский вестник", "Современник", "Нива", "Отечественные записки", "Вестник Европы",
    "Русская мысль", "Новая жизнь", "Время", "Библиотека для чтения", "Новое время", "Эпоха",
    "Русское слово", "Заря", "Жизнь", "Весы", "Северный вестник", "Петербургская газета",
    "Осколки", "Самарская газета", "Русское богатство", "Знамя труда", "Русские ведомости",
    "Журнал для всех", "Новости дня", "Семья", "Ежемесячные литературные приложения к «Ниве»",
    "Гражданин (Дневник писателя)", "Москвитянин", "Кавказ", "Красная новь",
    "Московский вестник", "Сын отечества",
}

FIELDS = ["ID", "TI", "AU", "SO", "PY", "LA", "CC", "DT", "KW", "AB", "DB", "G36"]


def plain(text):
    """Text safe for the engine's document markup, in which "_" escapes the next byte and
    brackets and braces mark sub- and superscripts: the few editorial brackets of the
    texts become parentheses, and the underscores around stressed vowels go."""
    return text.translate(str.maketrans("[]{}", "()()", "_"))


def parent(code):
    return code.rsplit(".", 1)[0] if "." in code else None


def ancestors(code):
    """The code and its parents, outermost first."""
    out = []
    while code:
        out.append(code)
        code = parent(code)
    return out[::-1]


def short_author(full):
    """'Толстой, Лев Николаевич' -> 'Толстой Л. Н.' (surname and initials, as the index
    joins a personal name into one term)."""
    surname, _, given = full.partition(",")
    initials = " ".join(part[0] + "." for part in given.split())
    return (surname.strip() + " " + initials).strip()


def work_name(records):
    """A multi-record file's work: the titles' common beginning without volume, part or book."""
    titles = [r["title"] for r in records]
    if len(titles) == 1:
        return titles[0]
    prefix = os.path.commonprefix(titles)
    cut = prefix.rfind(". ")
    name = prefix[:cut] if cut > 0 else prefix
    while True:
        shorter = re.sub(r"\. (Том|Часть|Книга) [^.]+$", "", name)
        if shorter == name:
            return name
        name = shorter


def numbered(keys):
    """Section numbers of one width for siblings in the given order."""
    width = len(str(len(keys)))
    first = 10 ** (width - 1) if width > 1 else 1
    if first + len(keys) - 1 >= 10 ** width:
        first, width = 10 ** width, width + 1
    return {key: str(first + i) for i, key in enumerate(keys)}


def build_tree(records):
    """Returns ({code: title}, {record id: work code})."""
    by_file = collections.defaultdict(list)
    for r in records:
        by_file[(r["authors"][0], r["provenance"])].append(r)
    works = collections.defaultdict(list)  # (author, work) -> records
    for (author, _), rs in by_file.items():
        works[(author, work_name(rs))].extend(rs)

    # A work sits under the subject most of its records have.
    work_subject = {k: collections.Counter(r["subject"] for r in rs).most_common(1)[0][0]
                    for k, rs in works.items()}
    titles = {code: SUBJECTS[code][0] for code in SUBJECTS}
    record_code = {}
    for subject in SUBJECTS:
        authors = sorted({a for (a, _), s in work_subject.items() if s == subject})
        for author, anum in numbered(authors).items():
            acode = subject + "." + anum
            titles[acode] = short_author(author)
            mine = [k for k, s in work_subject.items() if s == subject and k[0] == author]
            mine.sort(key=lambda k: (min(r["year"] for r in works[k]), k[1]))
            for key, wnum in numbered(mine).items():
                wcode = acode + "." + wnum
                titles[wcode] = plain(key[1])
                for r in works[key]:
                    record_code[r["id"]] = wcode
    return titles, record_code, works


def doc_type(record, work_records, work):
    if len(work_records) > 1:
        return "04"  # a chapter or part of a larger work
    if record["source"] in PERIODICALS:
        return "01"
    if record["source"].startswith(work):
        return "06"  # the book itself
    return "04"


def main():
    with open(os.path.join(HERE, "records.jsonl"), encoding="utf-8") as f:
        records = [json.loads(line) for line in f]
    titles, record_code, works = build_tree(records)
    work_of = {r["id"]: (k, rs) for k, rs in works.items() for r in rs}

    derived = []
    for r in records:
        code = record_code[r["id"]]
        (_, work), work_records = work_of[r["id"]]
        derived.append({
            "ID": r["id"],
            "TI": plain(r["title"]),
            "AU": "; ".join(short_author(a) for a in r["authors"]),
            "SO": plain(r["source"]),
            "PY": str(r["year"]),
            "LA": "РУС",
            "CC": "RU",
            "DT": doc_type(r, work_records, work),
            "KW": plain("; ".join(r["keywords"])),
            "AB": plain(r["abstract"]),
            "DB": " ".join(SUBJECTS[c][1][:2] + "." + SUBJECTS[c][1][2:] for c in ancestors(r["subject"])),
            "G36": code,
        })

    # Records in contents order (chapters keep their order): a section jump shows the
    # section's first record, and reading on from there stays inside the section.
    derived.sort(key=lambda d: d["G36"].encode("cp1251"))

    os.makedirs(os.path.join(HERE, "editions"), exist_ok=True)
    for name, (title, short_name, roots) in EDITIONS.items():
        def inside(code):
            return any(code == root or code.startswith(root + ".") for root in roots)
        docs = [d for d in derived if inside(d["G36"])]
        with open(os.path.join(HERE, "editions", name + ".jsonl"), "w", encoding="utf-8") as f:
            for d in docs:
                f.write(json.dumps({k: d[k] for k in FIELDS}, ensure_ascii=False) + "\n")
        # The edition's sections and every parent of them, in the tree's byte order.
        codes = {c for code in titles if inside(code) for c in ancestors(code)}
        ordered = sorted(codes, key=lambda c: c.encode("cp1251"))
        with open(os.path.join(HERE, "editions", name + ".contents"), "w", encoding="utf-8") as f:
            f.write("# Contents of the edition '%s': section code, a tab, its title.\n" % name)
            for code in ordered:
                f.write(code + "\t" + titles[code] + "\n")
        header = {"title": title, "short_name": short_name, "copyright": COPYRIGHT,
                  "fields": FIELDS}
        with open(os.path.join(HERE, "editions", name + ".header.json"), "w",
                  encoding="utf-8") as f:
            f.write(json.dumps(header, ensure_ascii=False, indent=1) + "\n")
        print("%-8s %5d records, %4d sections" % (name, len(docs), len(ordered)))

    # Classification table: a.b.c as a*1000000 + b*1000 + c, blanks, the four-digit code.
    with open(os.path.join(CONFIG, "classification.txt"), "w", encoding="ascii") as f:
        for code, (_, rubric) in SUBJECTS.items():
            parts = [int(p) for p in code.split(".")] + [0, 0]
            f.write("%d %s\n" % (parts[0] * 1000000 + parts[1] * 1000 + parts[2], rubric))


if __name__ == "__main__":
    main()
