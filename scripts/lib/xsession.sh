# Helpers for driving tolvar in an X session (sourced by run.sh and screenshots.sh; the
# end-to-end test has its own copy of the few lines it needs).
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
