#!/usr/bin/env bash
# Builds the zrt tool and the morphology dictionary (which the front end needs too),
# loads the bundled sample records into new editions with `zrt load`, and shows what
# they hold and what a query finds in them, also with word forms.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The dictionary target exists when scripts/setup.sh has fetched its source data.
targets=(zrt)
if cmake --build build --target help | grep -q '^morph_dict:'; then targets+=(morph_dict); fi
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

# A larger sample of the same catalogue: a query by author and word.
lit="$dir/ruslit"
$zrt load "$lit" samples/ruslit.jsonl --header samples/ruslit-header.json
$zrt search "$lit" 'война' --limit AU=толстой
$zrt words "$lit" 'войн'
# «ё» and «е» are one letter to the index; --forms adds the word's forms to the query.
$zrt search "$lit" 'мёртвые ADJ души' --count 3
if [ -f build/morph/russian.dz ]; then
  $zrt search "$lit" 'мёртвая душа' --forms --verbose --count 3
fi
