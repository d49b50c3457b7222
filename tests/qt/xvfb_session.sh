# Sourced by the scripts that need a real X server: starts a private Xvfb on a free display
# number and stops it again on exit. Sets DISPLAY. Needs: Xvfb.
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
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
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
