#!/usr/bin/env bash
# Builds the engine and the zrt tool, then shows the demo edition.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
ed=build/demo/demo
./build/tools/zrt/zrt info "$ed"
./build/tools/zrt/zrt show "$ed" 1 2
./build/tools/zrt/zrt contents "$ed"
