#!/usr/bin/env bash
# Installs what the benchmarks need beyond scripts/setup.sh: the Russian hunspell
# dictionary and its tools (the shared corpus generator expands it with unmunch), SQLite
# (the FTS5 peer), Xapian (the other peer) and a JSON library for the corpus. Idempotent.
set -euo pipefail

packages=(hunspell-ru hunspell-tools libsqlite3-dev libxapian-dev nlohmann-json3-dev python3)
. "$(dirname "$0")/lib/apt.sh"
apt_install_missing "${packages[@]}"
echo "bench-setup: all benchmark dependencies present"
