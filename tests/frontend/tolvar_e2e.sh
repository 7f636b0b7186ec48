#!/usr/bin/env bash
# The real tolvar on the bundled catalog under an X server, driven as a user would with
# xdotool: quick search, next portion, mark the portion, print it to PDF, export it as
# CSV, save the query as .cdq; the builder with a section of the area and a document type
# ticked, saved again; then the PDF, the CSV and the saved files are checked. Screenshots
# stay in OUT. Run under xvfb-run (CTest does so).
set -euo pipefail
tolvar=$1 dump=$2 out=$3
mkdir -p "$out"
rm -f "$out"/*.png "$out/saved.cdq" "$out/limited.cdq" "$out/printed.pdf" "$out/exported.csv"
export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" TOLVAR_NO_SPLASH=1
rm -rf "$XDG_CONFIG_HOME"
# Found documents are shown at once, without the question.
mkdir -p "$XDG_CONFIG_HOME/ORVANT"
printf '[Query]\nAuto%%20Show=1\n' > "$XDG_CONFIG_HOME/ORVANT/Tolvar.ini"
# A window manager gives windows and dialogs the focus as on a desktop.
openbox >/dev/null 2>&1 & wm=$!
sleep 0.5
"$tolvar" & pid=$!
trap 'kill $pid $wm 2>/dev/null || true' EXIT
shot() { import -window root "$out/$1.png"; }
key() { sleep 0.5; xdotool key "$@"; sleep 1.5; }
# On a loaded machine a step can take long; a window or file that never comes fails the
# test with the step's name instead of hanging until CTest's timeout.
window() {
  local w
  for _ in $(seq 240); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [ -n "$w" ] && { echo "$w"; return; }
    sleep 0.25
  done
  echo "tolvar e2e: no window '$1' within 60 s" >&2; exit 1
}
written() {
  for _ in $(seq 240); do [ -s "$1" ] && { sleep 0.5; return; }; sleep 0.25; done
  echo "tolvar e2e: $1 not written within 60 s" >&2; exit 1
}
# The caption names the first query window once start-up is over.
wid=$(window '^Tolvar - ')
sleep 3
xdotool windowactivate --sync "$wid"
sleep 0.5
# The identifiers are ASCII, which xdotool types reliably without a keymap change.
xdotool type --delay 40 'RL025$'
xdotool keyup Shift_L Shift_R
sleep 1
xdotool key Return
sleep 3
shot first-portion
key ctrl+Next               # next portion
sleep 1
shot next-portion
key ctrl+m          # «Отметить ...», the portion by default
sleep 1
shot marks-dialog
xdotool key Return
sleep 1
shot marked
# «Печать...» onto the dialog's PDF printer, then «Экспорт в...» as CSV: both take the
# ten marked documents.
key ctrl+p
window '^Печать$' >/dev/null
sleep 0.5
xdotool key alt+f ctrl+a   # «Output file»
xdotool type --delay 20 "$out/printed.pdf"
xdotool key Return
written "$out/printed.pdf"
key ctrl+shift+e
window 'Экспорт в' >/dev/null
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 20 "$out/exported"
xdotool key Tab End Return   # «Files of type»: the last, CSV; ".csv" is added
written "$out/exported.csv"
key F12             # «Сохранить как...»
dialog=$(window 'Сохранить как')
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 20 "$out/saved.cdq"
shot save-dialog
xdotool key Return
written "$out/saved.cdq"
shot saved
# The builder: the first section of the area and «Книга (06)» ticked from the keyboard,
# then «Показать» (Enter) runs the query with them.
key ctrl+e
builder=$(window 'Построитель запроса')
# The query field keeps Ctrl+Tab: the page tabs are clicked (their places in the window).
tab() { sleep 0.5; xdotool mousemove --window "$builder" "$1" 25 click 1; sleep 1.5; }
tab 140
key Home space
tab 257
key Home Down Down Down Down space
shot builder-limits
key Return
shot limited
key F12
window 'Сохранить как' >/dev/null
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 20 "$out/limited.cdq"
xdotool key Return
written "$out/limited.cdq"
key ctrl+q
wait $pid || true
kill $wm 2>/dev/null || true
trap - EXIT

report=$("$dump" "$out/saved.cdq")
echo "$report"
grep -qx 'title=Русская классическая литература: поэзия и драматургия' <<<"$report" ||
  { echo "edition title differs"; exit 1; }
grep -qx 'query=RL025\$' <<<"$report" || { echo "query text differs"; exit 1; }
found=$(sed -n 's/^found=//p' <<<"$report")
[ "$found" -gt 10 ] || { echo "found count $found"; exit 1; }
grep -qx 'marks=11 12 13 14 15 16 17 18 19 20' <<<"$report" || { echo "marks differ"; exit 1; }
pages=$(pdfinfo "$out/printed.pdf" | sed -n 's/^Pages: *//p')
pdftotext "$out/printed.pdf" "$out/printed.txt"
[ "${pages:-0}" -gt 0 ] && grep -q '^Запрос: (RL025\$)' "$out/printed.txt" &&
  grep -q '^11\. ' "$out/printed.txt" && grep -q '^20\. ' "$out/printed.txt" &&
  ! grep -q '^10\. ' "$out/printed.txt" || { echo "printed PDF differs"; exit 1; }
# One line of "^"-separated fields per marked document, in code page 866.
[ "$(grep -c $'\r$' "$out/exported.csv")" -eq 10 ] && grep -q '\^' "$out/exported.csv" &&
  iconv -f cp866 -t utf-8 "$out/exported.csv" | grep 'Пушкин' >/dev/null || { echo "exported CSV differs"; exit 1; }
limited=$("$dump" "$out/limited.cdq")
echo "$limited"
# 21 of the edition's RL025 records are books; all lie in section 01.00.
grep -qx 'limits=(06) IN DT' <<<"$limited" || { echo "limits differ"; exit 1; }
grep -qx 'area=01.00' <<<"$limited" || { echo "area differs"; exit 1; }
grep -qx 'found=21' <<<"$limited" || { echo "limited found count differs"; exit 1; }
echo "tolvar e2e: passed"
