# Helpers for driving tolvar in an X session (sourced by run.sh and screenshots.sh; the
# end-to-end test has its own copy of the few lines it needs).
# tolvar_session INI: a settings folder of its own holding INI as Tolvar.ini, and a
# window manager; sets TOLVAR_CONFIG and WM_PID. tolvar_end stops both and removes it.
tolvar_session() {
  TOLVAR_CONFIG=$(mktemp -d)
  mkdir -p "$TOLVAR_CONFIG/ORVANT"
  printf '%s' "$1" > "$TOLVAR_CONFIG/ORVANT/Tolvar.ini"
  openbox >/dev/null 2>&1 & WM_PID=$!
  sleep 0.5
}
tolvar_end() {
  kill "$TOLVAR_PID" "$WM_PID" 2>/dev/null || true
  rm -rf "$TOLVAR_CONFIG"
}
# tolvar_start: starts tolvar with a settings folder of its own and waits for the
# first query window; sets TOLVAR_PID and TOLVAR_WID.
tolvar_start() {
  local config=$1; shift
  export XDG_CONFIG_HOME="$config" TOLVAR_NO_SPLASH=1
  "$root/build/frontend/app/tolvar" "$@" & TOLVAR_PID=$!
  TOLVAR_WID=$(xdotool search --sync --onlyvisible --name '^Tolvar - ' | head -1)
  sleep 3
  xdotool windowactivate --sync "$TOLVAR_WID"
}
# tolvar_search TEXT: the quick search of TEXT (ASCII: xdotool types it reliably).
tolvar_search() {
  xdotool type --delay 40 "$1"
  xdotool keyup Shift_L Shift_R
  sleep 2
  xdotool key Return
  sleep 5
}
shot() { import -window root "$1"; }
