#!/usr/bin/env bash
# The shared library exports exactly the functions that the public header declares.
set -euo pipefail
lib=$1 header=$2
# One line per declaration; the function name is the identifier before its "(".
declared=$(grep -v "define ZRT_API" "$header" | tr "\n" " " | grep -oE "ZRT_API [^;]*;" |
  sed -E 's/^ZRT_API [^(]*[ *]([A-Za-z_][A-Za-z0-9_]*)\(.*/\1/' | sort -u)
exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TW]$/ {print $3}' | sort -u)
if [ "$declared" != "$exported" ]; then
  echo "declared but not exported:"; comm -23 <(echo "$declared") <(echo "$exported")
  echo "exported but not declared:"; comm -13 <(echo "$declared") <(echo "$exported")
  exit 1
fi
echo "$(echo "$exported" | wc -l) exports match the header"
