#!/usr/bin/env bash
# Builds the zrt tool, the morphology dictionary (which the front end needs too) and the
# bundled catalog, loads sample records into a new edition with `zrt load`, and shows what
# the editions hold, what a query finds in them (also with word forms) and how an output
# form prints the found documents.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The dictionary target exists when scripts/setup.sh has fetched its source data.
targets=(zrt catalog)
if cmake --build build --target help | grep '^morph_dict:' >/dev/null; then targets+=(morph_dict); fi
cmake --build build -j "$(nproc)" --target "${targets[@]}"
zrt=./build/tools/zrt/zrt
dir=build/demo/loaded
rm -rf "$dir"
mkdir -p "$dir"

# Twelve records: the fields and index groups come from the header file.
ed="$dir/demo"
$zrt load "$ed" samples/demo.jsonl --header samples/ruslit-header.json
$zrt info "$ed"
$zrt show "$ed" 1 2
$zrt contents "$ed"
$zrt search "$ed" 'душа'
$zrt search "$ed" 'змея OR змеи' --show

# The bundled catalog (build/catalog, loaded by the build from samples/ruslit): four
# editions with a table of contents, a descriptor and the stop list.
cat=build/catalog
for ed in "$cat"/*.cdo; do $zrt info "${ed%.cdo}" | head -6; echo; done
$zrt info "$cat/poetry" | sed -n '/Defined fields/,$p'
$zrt contents "$cat/poetry" | head -24
# A query by author and word; the same words restricted to a subject rubric, and a
# section jump as the contents pane makes it.
$zrt search "$cat/ruslit" 'война' --limit 'AU=толстой$'
$zrt search "$cat/ruslit" '(01.21 OR 01.22) IN DB AND душ$' --ignore-point
$zrt search "$cat/ruslit" "'1.2.1.2\$'"
$zrt words "$cat/ruslit" 'войн'
# Found documents through two of the output forms of config/ (RTF).
$zrt render "$cat/ruslit" "config/Краткая библиография.tpl" --query 'бородин$'
$zrt render "$cat/poetry" "config/Библиография с рефератом.tpl" --records 1-2 --query 'грусть OR скучно'
# «ё» and «е» are one letter to the index; --forms adds the word's forms to the query.
$zrt search "$cat/ruslit" 'мёртвые ADJ души' --count 3
if [ -f build/morph/russian.dz ]; then
  $zrt search "$cat/ruslit" 'мёртвая душа' --forms --verbose --count 3
fi
