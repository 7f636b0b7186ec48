#!/usr/bin/env bash
# Builds the front end with the bundled catalog and starts tolvar on it. Without a
# display it says so, runs tolvar under xvfb-run, performs a scripted quick search and
# writes a screenshot of the main window to build/screenshots/run.png.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(tolvar catalog config_folder)
cmake --build build -j "$(nproc)" --target "${targets[@]}"

if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--scripted" ]; then
  exec build/frontend/app/tolvar
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display here; starting tolvar under xvfb-run with a scripted search"
  exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" --scripted
fi

# Scripted session: a window manager, tolvar on the bundled catalog, one quick search.
. scripts/lib/xsession.sh
out=build/screenshots
mkdir -p "$out"
tolvar_session $'[Query]\nAuto%20Show=1\n'
tolvar_start "$TOLVAR_CONFIG"
tolvar_search 'RL025$'
shot "$out/run.png"
echo "run: tolvar searched the edition «Поэзия и драматургия» for 'RL025\$'; window: $out/run.png"
tolvar_end
