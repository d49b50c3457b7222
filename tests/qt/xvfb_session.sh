# Sourced by the scripts that need a real X server: starts a private Xvfb on a free display
# number and stops it again on exit. Sets DISPLAY. Needs: Xvfb.

# require_tools <tool...>: exits with 77 (skipped) where one is missing, or fails under CI.
require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null && continue
    if [ "${CI:-}" = true ]; then echo "FAIL: $tool is not installed"; exit 1; fi
    echo "SKIP: $tool is not installed (see scripts/packages.txt)"
    exit 77
  done
}

start_xvfb() {
  local fifo display_number
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -noreset: a bare server resets when its last client leaves; the dialog module's probe
  # connection is such a client, and the toolkit's own connection then fails during the reset.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null' EXIT
  read -r -t 20 display_number <"$fifo" || display_number=""
  rm -f "$fifo"
  if [ -z "$display_number" ]; then
    echo "Xvfb did not start"
    return 1
  fi
  export DISPLAY=":$display_number"
  # The desktop's scale comes from the server alone (set_desktop_dpi), not from the caller.
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
    QT_ENABLE_HIGHDPI_SCALING QT_USE_PHYSICAL_DPI QT_FONT_DPI
}

# set_desktop_dpi <dpi>: the desktop's scale as GNOME, KDE and Xfce publish it under X11,
# the resource Xft.dpi (96 is 100 %). Clients read it when they start. Needs: xrdb.
set_desktop_dpi() {
  echo "Xft.dpi: $1" | xrdb -nocpp -merge
}

# wait_for_window <caption> [pid]: prints the window id once a window with exactly that
# caption is mapped. Gives up after 30 s (a loaded machine starts the toolkit slowly), or at
# once when the process pid has ended.
wait_for_window() {
  local id="" deadline=$((SECONDS + 30))
  while [ "$SECONDS" -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && break
    if [ -n "${2:-}" ] && ! kill -0 "$2" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "$id"
}

# wait_until_ended <pid>: true once the process has ended; false while it still runs after
# 30 s (it has its keys by then; the time only bounds a hang).
wait_until_ended() {
  local deadline=$((SECONDS + 30))
  while kill -0 "$1" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# wait_for <command...>: true once the command succeeds, polled; false after 30 s.
wait_for() {
  local deadline=$((SECONDS + 30))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# near <actual> <expected> <slack>: true when they differ by at most slack.
near() {
  [ "$1" -ge $(($2 - $3)) ] && [ "$1" -le $(($2 + $3)) ]
}
