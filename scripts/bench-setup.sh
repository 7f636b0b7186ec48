#!/usr/bin/env bash
# Installs what the benchmarks need beyond scripts/setup.sh: the Russian hunspell
# dictionary and its tools (the shared corpus generator expands it with unmunch), SQLite
# (the FTS5 peer) and Google Benchmark. Idempotent.
set -euo pipefail

packages=(hunspell-ru hunspell-tools libsqlite3-dev libbenchmark-dev python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
echo "bench-setup: all benchmark dependencies present"
