#!/usr/bin/env bash
# Mutation run: applies the deliberate faults of scripts/mutants.tsv to the engine sources
# one at a time, builds, runs the tests and reports per mutant whether a test caught it.
# A mutant the tests let survive shows where they are weak; the run proves that the tests
# keep their strength when compared (--baseline) with the result of an earlier run.
#
#   scripts/mutants.sh [--only N,M,...] [--out FILE] [--baseline FILE] [--hint FILE]
#                      [--timeout SECONDS]
#   --hint FILE runs first, for each mutant, the tests that caught it in the results FILE
#   of an earlier run, and the whole suite only when they all pass or are gone.
#   scripts/mutants.sh --check        only checks that every text of the table is found once
#
# Results: caught (a test failed, and failed again when rerun alone; or a build step that
# runs the engine, such as loading the bundled catalog, failed), survived (every test
# passed), not-applied (the text to change is not in the file exactly once: the table
# needs updating), invalid (the mutant does not compile). The source is restored after
# each mutant and on any exit or interrupt.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

table=scripts/mutants.tsv
build=build-mutants
only=""
out=""
baseline=""
hint=""
test_timeout=400
build_timeout=1200
check_only=0

usage() { sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
while [ $# -gt 0 ]; do
  case $1 in
    --only) only=${2:?}; shift 2 ;;
    --out) out=${2:?}; shift 2 ;;
    --baseline) baseline=${2:?}; shift 2 ;;
    --hint) hint=${2:?}; shift 2 ;;
    --timeout) test_timeout=${2:?}; shift 2 ;;
    --table) table=${2:?}; shift 2 ;;
    --build-dir) build=${2:?}; shift 2 ;;
    --check) check_only=1; shift ;;
    -h|--help) usage ;;
    *) echo "mutants: unknown argument $1" >&2; usage ;;
  esac
done
[ -f "$table" ] || { echo "mutants: no table $table" >&2; exit 2; }
[ -z "$baseline" ] || [ -f "$baseline" ] || { echo "mutants: no baseline $baseline" >&2; exit 2; }
[ -z "$hint" ] || [ -f "$hint" ] || { echo "mutants: no hint file $hint" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mutants.XXXXXX")
applied_file=""

restore() {
  if [ -n "$applied_file" ]; then
    # Written back rather than copied with its old time stamp: the build must see the
    # file as changed, or it would keep the mutated object.
    cat "$work/original" > "$applied_file"
    applied_file=""
  fi
}
cleanup() {
  restore
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "mutants: interrupted, source restored" >&2; exit 130' INT TERM HUP

# Counts the exact occurrences of FIND in FILE (0 when the file is gone).
occurrences() {
  python3 - "$1" "$2" <<'PY'
import sys, os
path, find = sys.argv[1], sys.argv[2]
if not os.path.isfile(path):
    print(0); sys.exit()
with open(path, 'rb') as f:
    print(f.read().count(os.fsencode(find)))
PY
}

# Replaces the one occurrence of FIND in FILE by REPLACE.
apply_mutant() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys, os
path, find, repl = sys.argv[1], os.fsencode(sys.argv[2]), os.fsencode(sys.argv[3])
with open(path, 'rb') as f:
    text = f.read()
assert text.count(find) == 1
with open(path, 'r+b') as f:
    f.write(text.replace(find, repl))
    f.truncate()
PY
}

# The table's rows as "id<TAB>file<TAB>find<TAB>replace<TAB>description", comments dropped.
rows() { grep -v '^#' "$table" | grep -v '^[[:space:]]*$'; }

selected() {
  [ -z "$only" ] && return 0
  case ",$only," in *",$1,"*) return 0 ;; esac
  return 1
}

if [ "$check_only" = 1 ]; then
  bad=0
  while IFS=$'\t' read -r id file find replace desc; do
    selected "$id" || continue
    n=$(occurrences "$file" "$find")
    if [ "$n" != 1 ]; then
      echo "$id	$file	found $n times: $find"
      bad=1
    fi
  done < <(rows)
  [ $bad = 0 ] && echo "mutants: every text of $table is found exactly once"
  exit $bad
fi

# Tests that cannot see the engine (the ZText control links nothing of it) are left out,
# and the package check, which wants the morphology dictionary this build does not make.
# The rerun of failed tests must leave out the same tests: ctest numbers the tests it
# selects, and the list of failed tests names them by those numbers.
ctest_select=(--test-dir "$build" -E '^tst_ztext_|^tolvar_package$')
# A private temporary folder: some tests write fixed names there, and other runs of the
# suite on this machine must not meet them.
export TMPDIR="$work/tmp" TEST_TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"

configure() {
  nice -n 19 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZRT_BENCH=OFF -DZRT_AZ_DICTS=/nonexistent >"$work/configure.log" 2>&1
}

# Builds as much as builds; prints ok, invalid (a compile or link error), "step NAME" (a
# build step that runs the engine failed, such as loading the bundled catalog) or
# "caught ..." (the build hung).
build_tree() {
  timeout -k 10 "$build_timeout" nice -n 19 cmake --build "$build" -j2 -- -k 0 </dev/null >"$work/build.log" 2>&1
  local rc=$?
  if [ $rc = 0 ]; then echo ok; return; fi
  if [ $rc = 124 ] || [ $rc = 137 ]; then echo "caught build timed out"; return; fi
  if grep -q '^FAILED: .*CMakeFiles/.*\.o\b\|undefined reference\|ld returned' "$work/build.log"; then
    echo invalid
  else
    echo "step $(grep -m1 '^FAILED:' "$work/build.log" | cut -d' ' -f2)"
  fi
}

# The first three tests that a ctest log lists as failed, comma-separated.
failed_tests() {
  sed -n '/The following tests FAILED:/,$p' "$1" | grep -E '^[[:space:]]+[0-9]+ - ' |
    sed -E 's/^[[:space:]]+[0-9]+ - ([^ ]+).*/\1/' | head -3 | paste -sd, -
}

# The tests that caught mutant ID in the hint file, as an anchored ctest regular expression
# (empty when there are none).
hinted_tests() {
  [ -n "$hint" ] || return 0
  awk -F'\t' -v id="$1" '$1 == id && $2 == "caught" { print $5 }' "$hint" |
    sed -E 's/^build step [^;]*; //; s/tests passed$//' | tr ',' '\n' |
    grep -E '^[A-Za-z_][A-Za-z0-9_/.]*$' | sed 's/[.]/\\./g' | paste -sd'|' - |
    sed -E 's/^(.+)$/^(\1)$/'
}

# Runs the tests (the hinted ones, when given, first and alone); prints pass, or caught
# with the failing tests, or flaky when a failure did not repeat.
run_tests() {
  local hinted=${1:-}
  rm -rf "${TMPDIR:?}"/* 2>/dev/null
  if [ -n "$hinted" ]; then
    timeout -k 10 "$test_timeout" nice -n 19 ctest "${ctest_select[@]}" -R "$hinted" -j2 \
      </dev/null >"$work/hint.log" 2>&1
    local rc=$?
    if [ $rc != 0 ] && ! grep -q 'No tests were found' "$work/hint.log"; then
      if [ $rc = 124 ] || [ $rc = 137 ]; then echo "caught tests timed out after ${test_timeout}s"; return; fi
      # Once more, one at a time, as for the whole suite below.
      timeout -k 10 "$test_timeout" nice -n 19 ctest "${ctest_select[@]}" -R "$hinted" --rerun-failed \
        </dev/null >"$work/rerun.log" 2>&1
      rc=$?
      if [ $rc != 0 ]; then
        local failed
        failed=$(failed_tests "$work/rerun.log")
        echo "caught ${failed:-(tests did not finish)}"
        return
      fi
    fi
    rm -rf "${TMPDIR:?}"/* 2>/dev/null
  fi
  timeout -k 10 "$test_timeout" nice -n 19 ctest "${ctest_select[@]}" -j2 </dev/null >"$work/test.log" 2>&1
  local rc=$?
  if [ $rc = 0 ]; then echo pass; return; fi
  if [ $rc = 124 ] || [ $rc = 137 ]; then echo "caught tests timed out after ${test_timeout}s"; return; fi
  # Once more, one at a time: a test that fails only beside another is not a catch.
  timeout -k 10 "$test_timeout" nice -n 19 ctest "${ctest_select[@]}" --rerun-failed </dev/null >"$work/rerun.log" 2>&1
  rc=$?
  if [ $rc = 0 ]; then echo "flaky $(failed_tests "$work/test.log")"; return; fi
  if [ $rc = 124 ] || [ $rc = 137 ]; then echo "caught tests timed out after ${test_timeout}s"; return; fi
  local failed
  failed=$(failed_tests "$work/rerun.log")
  echo "caught ${failed:-(tests did not finish)}"
}

echo "mutants: configuring and building $build"
configure || { cat "$work/configure.log"; exit 1; }
status=$(build_tree)
[ "$status" = ok ] || { tail -30 "$work/build.log"; echo "mutants: the unmutated tree does not build" >&2; exit 1; }
status=$(run_tests)
if [ "$status" != pass ] && [ "${status%% *}" != flaky ]; then
  echo "mutants: the unmutated tests do not pass ($status); fix that first" >&2
  exit 1
fi

result_file=${out:-$work/results.txt}
{
  echo "# Mutation run of $(git rev-parse --short HEAD 2>/dev/null || echo '?') on $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "# table: $table; columns: id, result, file, description, detail"
} > "$result_file"

declare -A count=([caught]=0 [survived]=0 [not-applied]=0 [invalid]=0)
survivors=()
started=$(date +%s)
while IFS=$'\t' read -r -u 3 id file find replace desc; do
  selected "$id" || continue
  t0=$(date +%s)
  detail=""
  n=$(occurrences "$file" "$find")
  if [ "$n" != 1 ]; then
    result=not-applied
    detail="text found $n times"
  else
    cp "$file" "$work/original"
    applied_file=$file
    apply_mutant "$file" "$find" "$replace"
    status=$(build_tree)
    case $status in
      ok|step*)
        # The tests run after a failed engine step too: they say what the failure broke.
        step=""
        [ "${status%% *}" = step ] && step="build step ${status#step } failed; "
        status=$(run_tests "$(hinted_tests "$id")")
        case $status in
          pass) if [ -n "$step" ]; then result=caught; detail="${step}tests passed"; else result=survived; fi ;;
          flaky*) result=${step:+caught}; result=${result:-survived}
                  detail="${step}failed once, passed when rerun: ${status#flaky }" ;;
          caught*) result=caught; detail="${step}${status#caught }" ;;
        esac
        ;;
      invalid) result=invalid; detail=$(grep -m1 'error' "$work/build.log" | cut -c1-120) ;;
      caught*) result=caught; detail=${status#caught } ;;
    esac
    restore
  fi
  count[$result]=$((count[$result] + 1))
  [ "$result" = survived ] && survivors+=("$id")
  printf '%s\t%s\t%s\t%s\t%s\n' "$id" "$result" "$file" "$desc" "$detail" >> "$result_file"
  printf 'mutant %-3s %-11s %4ss  %s: %s %s\n' "$id" "$result" $(( $(date +%s) - t0 )) "$file" "$desc" \
    "${detail:+($detail)}"
done 3< <(rows)

summary="caught ${count[caught]}, survived ${count[survived]}, not applied ${count[not-applied]}, invalid ${count[invalid]}"
{
  echo "# $summary"
  echo "# survivors: ${survivors[*]:-none}"
  echo "# took $(( ($(date +%s) - started) / 60 )) min"
} >> "$result_file"
echo "mutants: $summary"
[ ${#survivors[@]} = 0 ] || echo "mutants: survivors: ${survivors[*]}"
[ -n "$out" ] && echo "mutants: results in $out"

if [ -n "$baseline" ]; then
  lost=0
  while IFS=$'\t' read -r id result _; do
    [ "$result" = caught ] || continue
    selected "$id" || continue
    now=$(awk -F'\t' -v id="$id" '$1 == id { print $2 }' "$result_file")
    case $now in
      caught) ;;
      survived) echo "mutants: LOST: mutant $id was caught by the baseline and survives now"; lost=1 ;;
      "") echo "mutants: warning: mutant $id (caught by the baseline) is not in this run" ;;
      *) echo "mutants: warning: mutant $id (caught by the baseline) is $now now" ;;
    esac
  done < <(grep -v '^#' "$baseline")
  [ $lost = 0 ] && echo "mutants: every mutant the baseline caught is still caught"
  exit $lost
fi
exit 0
