#!/usr/bin/env bash
# PNGs of the front end under Xvfb, in build/screenshots/: the main window with a found
# portion and the contents pane, the query builder's main page, (drawn by the widget
# tests) the settings and catalog dialogs, the builder's three pages, the search history,
# the dictionary window, the print preview and the export progress window, and the first
# page of a printed PDF.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tolvar tst_frontend_widgets tst_frontend_output \
  catalog config_folder
out="$root/build/screenshots"
mkdir -p "$out"
if [ -z "${DISPLAY:-}" ] || [ "${1:-}" != "--in-x" ]; then
  TOLVAR_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen build/tests/frontend/tst_frontend_widgets >/dev/null
  TOLVAR_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen \
    build/tests/frontend/tst_frontend_output >/dev/null
  exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" --in-x
fi

. scripts/lib/xsession.sh
# The contents pane stays open beside found documents.
tolvar_session $'[Query]\nAuto%20Show=1\n[Settings]\nAutoClose%20content=0\n'
tolvar_start "$TOLVAR_CONFIG"
tolvar_search 'RL025$'
xdotool key ctrl+Next
sleep 3
shot "$out/main-window.png"
xdotool key ctrl+e   # «Запрос»: the builder on the active query
sleep 3
shot "$out/builder-window.png"
xdotool key Escape
sleep 1
xdotool key F12   # «Сохранить как...»
xdotool search --sync --onlyvisible --name 'Сохранить как' >/dev/null
sleep 1
xdotool key ctrl+a
xdotool type --delay 20 "$out/printed.cdq"
xdotool key Return
sleep 2
tolvar_end
# The saved query printed from the command line, its first page as a picture.
if [ -s "$out/printed.cdq" ]; then
  XDG_CONFIG_HOME=$(mktemp -d) build/frontend/app/tolvar --print "$out/printed.cdq" --pdf "$out/printed.pdf"
  pdftoppm -r 80 -f 1 -l 1 -png -singlefile "$out/printed.pdf" "$out/printed-page"
  rm -f "$out/printed.cdq"
fi
ls "$out"/*.png
