#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang in build-fuzz and runs each for SECONDS
# (default 60) on seed corpora made from the repository's own files: an edition loaded
# from the bundled catalog's sources with the normal build's zrt, the output forms, the
# queries and select statements of the tests. New inputs that reach new code are kept in
# build-fuzz/corpus/TARGET; an input that crashes, hangs or trips a sanitizer is saved as
# build-fuzz/findings/TARGET-* and makes the script fail.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 600 fuzz_query
#
# ZRT_FUZZ_JOBS=N runs N targets at once (default 1); ZRT_FUZZ_BUILD names another build
# folder, so that a long run can go on while the code changes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
jobs=${ZRT_FUZZ_JOBS:-1}
build=$root/${ZRT_FUZZ_BUILD:-build-fuzz}

# The seeds need the normal build's zrt and morphology dictionary.
if [ ! -x build/tools/zrt/zrt ] || [ ! -f build/morph/russian.dz ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target zrt morph_dict
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRT_FUZZ=ON \
  -DZRT_FUZZ_MORPH="$root/build/morph/russian.dz" >/dev/null
cmake --build "$build" -j "$(nproc)"

zrt=$root/build/tools/zrt/zrt
seeds=$build/seeds
editions=$root/samples/ruslit/editions
rm -rf "$seeds"
mkdir -p "$seeds/edition" "$seeds/corpus"
corpus() { mkdir -p "$seeds/corpus/$1" && echo "$seeds/corpus/$1"; }
# One seed file per line of standard input.
lines_to() {
  local dir n=0 line
  dir=$(corpus "$1")
  while IFS= read -r line; do
    [ -n "$line" ] && printf '%s' "$line" >"$dir/$((n += 1))"
  done
}

# The seed editions: poetry's first 40 documents loaded with its contents, descriptor and
# stop list; and the same with 10 more appended, so that it has an update index too.
head -n 40 "$editions/poetry.jsonl" >"$seeds/load.jsonl"
sed -n 41,50p "$editions/poetry.jsonl" >"$seeds/append.jsonl"
"$zrt" load "$seeds/edition/seed" "$seeds/load.jsonl" --header "$editions/poetry.header.json" \
  --contents "$editions/poetry.contents" --descriptor samples/ruslit/ruslit.cdw \
  --stop config/russian.stop >/dev/null
for f in "$seeds"/edition/seed.*; do cp "$f" "$seeds/edition/updated.${f##*.}"; done
"$zrt" append "$seeds/edition/updated" "$seeds/append.jsonl" >/dev/null
for ext in cdo cdx cdb cdj cdp cdd cdh cdw; do
  cp "$seeds/edition/seed.$ext" "$(corpus fuzz_edition_$ext)/seed"
done
for ext in cdl cdi; do cp "$seeds/edition/updated.$ext" "$(corpus fuzz_edition_$ext)/seed"; done

grep -ho '{"[^"]*", {' tests/query/language_test.cpp | sed 's/^{"//; s/", {$//' |
  iconv -f utf-8 -t cp1251 | lines_to fuzz_query
grep -rho '"select [^"]*"' tests/select/*.cpp | sed 's/^"//; s/"$//' | sort -u | lines_to fuzz_select
for form in config/*.tpl; do
  cp "$form" "$(corpus fuzz_form)/$(basename "$form" .tpl | md5sum | cut -c1-8)"
  cp "$form" "$(corpus fuzz_rtf)/$(basename "$form" .tpl | md5sum | cut -c1-8)"
done
"$zrt" render "$seeds/edition/seed" "config/Полное описание.tpl" --records 1-3 -o "$(corpus fuzz_rtf)/rendered"
head -n 5 "$seeds/load.jsonl" >"$(corpus fuzz_jsonl)/poetry"
head -n 5 samples/demo.jsonl >"$(corpus fuzz_jsonl)/demo"
"$zrt" export "$seeds/edition/seed" --format iso --records 1-5 -o "$(corpus fuzz_iso)/seed.iso" >/dev/null
"$zrt" export "$seeds/edition/seed" --format iso --plain --records 6-8 -o "$(corpus fuzz_iso)/plain.iso" >/dev/null

# A query file as the front end writes it: texts are a u16 length and the bytes, lists a
# u32 count and the items.
byte() { printf "\\x$(printf %02x $(($1 & 255)))"; }
text() { byte ${#1}; byte $((${#1} >> 8)); printf %s "$1"; }
u32() { byte $1; byte $(($1 >> 8)); byte $(($1 >> 16)); byte $(($1 >> 24)); }
{
  text ASDQ; text "Poetry"; u32 12; u32 0; text "LOVE AND (19\$) IN PY"; text "1990"; text ""
  text "(01.10) IN DB"; text ""; u32 2; printf '\x04\x06'; u32 1; printf '\x01'; u32 0; text "1800-1900"
  u32 2; u32 3; u32 7; u32 3; u32 1; u32 5; u32 12
} >"$(corpus fuzz_cdq)/seed.cdq"

# The morphology target patches the real dictionary: u32 offset, then the bytes there.
dict=$root/build/morph/russian.dz
size=$(stat -c %s "$dict")
for at in 0 4000 8440 9000 $((size / 2)) $((size - 64)); do
  { u32 $at; dd if="$dict" bs=64 count=1 skip=$at iflag=skip_bytes status=none; } >"$(corpus fuzz_morph)/at$at"
done

# Each target: the kept corpus (new inputs go there) and the seeds, for SECONDS.
targets=("$@")
((${#targets[@]})) || mapfile -t targets < <(cd "$build/fuzz" && ls fuzz_* | grep -v '\.')
mkdir -p "$build/corpus" "$build/findings" "$build/logs"
export ZRT_FUZZ_SEEDS=$seeds
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_one() {
  local t=$1
  local dict=()
  mkdir -p "$build/corpus/$t" "$build/cwd/$t"
  # The tokens of a text format (fuzz/TARGET.dict) reach what byte mutations seldom spell.
  [ -f "fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
  # A damaged descriptor names any store path: what an open leaves there stays out of
  # the checkout.
  cd "$build/cwd/$t"
  local ok=0
  $build/fuzz/"$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=262144 \
      -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "${dict[@]}" \
      "$build/corpus/$t" "$seeds/corpus/$t" >"$build/logs/$t.log" 2>&1 || ok=$?
  cd "$root" && rm -rf "$build/cwd/$t"
  if ((ok == 0)); then
    printf '%-20s ok    %10s runs in %ss\n' "$t" \
      "$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log")" "$seconds"
  else
    printf "%-20s FAIL  see %s\n" "$t" "$build/logs/$t.log"
    return 1
  fi
}
export -f run_one
export seconds seeds build root
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}' && status=0 || status=1
if ((status)); then
  echo "fuzz: findings in $build/findings" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, no findings"
