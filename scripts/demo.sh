#!/usr/bin/env bash
# Builds the zrt tool, loads the bundled sample records into new editions with
# `zrt load`, and shows what they hold and what a query finds in them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target zrt
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
