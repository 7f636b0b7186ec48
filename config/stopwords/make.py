#!/usr/bin/env python3
"""Writes ../russian.stop, the engine's stop list, from snowball-russian.stop.

The engine reads one entry per line in code page 866; lines that begin with "$" are
comments. Only the function words of the source list are kept (pronouns, prepositions,
conjunctions, particles and pronominal adverbs): the content words below would make
queries such as «жизнь и смерть» or «три сестры» drop real search terms. The letter «ё»
is written as «е», since the index folds it so.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

# Verbs, numerals and adverbs of the source list that a reader searches for.
CONTENT_WORDS = {
    "был", "была", "были", "было", "быть", "будет", "есть", "может", "надо", "нельзя",
    "можно", "раз", "два", "три", "один", "хорошо", "лучше", "больше", "более", "много",
    "конечно", "всегда", "никогда", "иногда", "сейчас", "теперь", "опять", "вдруг", "совсем",
    "почти", "наконец", "впрочем", "чуть", "уже", "еще", "потом", "другой", "нет",
}

with open(os.path.join(HERE, "snowball-russian.stop"), encoding="utf-8") as f:
    words = [w.strip().replace("ё", "е") for w in f if w.strip()]
kept = [w for w in words if w not in CONTENT_WORDS]
with open(os.path.join(HERE, "..", "russian.stop"), "w", encoding="cp866", newline="\n") as f:
    f.write("$ Russian stop words: the Snowball project's list (BSD licence), function words\n")
    f.write("$ only; see config/stopwords/README.md. One entry a line, code page 866.\n")
    for w in kept:
        f.write(w + "\n")
print("%d of %d words kept" % (len(kept), len(words)))
