# Sourced by the scripts that need a real X server: a private Xvfb, stopped on exit with the
# processes in session_pids and the folders in session_dirs; the cases' status and fail.
session_pids=()
session_dirs=()
end_session() {
  { kill "${session_pids[@]}"; wait "${session_pids[@]}"; } 2>/dev/null || true
  rm -rf "${session_dirs[@]}"
}
trap end_session EXIT
status=0
fail() { echo "FAIL: ${case_name:+$case_name: }$*"; status=1; }
finish() { [ "$status" = 0 ] && echo "$1"; exit "$status"; }

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

# start_xvfb [tool...]: requires Xvfb and the tools, starts the server on a free display.
start_xvfb() {
  local fifo display_number
  require_tools Xvfb "$@"
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -noreset: the module's probe connection, the last client to leave, would reset a bare
  # server, and the toolkit's own connection would fail during the reset.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  session_pids+=("$xvfb_pid")
  read -r -t 20 display_number <"$fifo" || display_number=""
  rm -f "$fifo"
  [ -n "$display_number" ] || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=":$display_number"
  # The desktop's scale comes from the server alone (set_desktop_dpi), not from the caller.
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS \
    QT_ENABLE_HIGHDPI_SCALING QT_USE_PHYSICAL_DPI QT_FONT_DPI
}

# tool_folder <auxline> <module>: scratch, a folder removed on exit, with the tool's programs.
tool_folder() {
  scratch=$(mktemp -d)
  session_dirs+=("$scratch")
  cp "$1" "$(dirname "$1")/auxline-dialog" "$2" "$scratch/"
}

# set_desktop_dpi <dpi>: the desktop's scale as the desktops publish it under X11 (96: 100 %).
set_desktop_dpi() { echo "Xft.dpi: $1" | xrdb -nocpp -merge; }

# wait_for_window <caption> [pid]: the id of a mapped window of exactly that caption; empty
# after 30 s (a loaded machine starts the toolkit slowly) or once the process pid has ended.
wait_for_window() {
  local id=""
  shown_or_ended() {
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] || { [ -n "${2:-}" ] && ! kill -0 "$2" 2>/dev/null; }
  }
  wait_for shown_or_ended "$@"
  echo "$id"
}

# wait_until_ended <pid>: false while it still runs after 30 s (the time only bounds a hang).
wait_until_ended() { wait_for eval "! kill -0 $1 2>/dev/null"; }

# wait_for <command...>: true once the command succeeds, polled; false after 30 s.
wait_for() {
  local deadline=$((SECONDS + 30))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# near <actual> <expected> <slack>: they differ by at most slack.
near() { [ "$1" -ge $(($2 - $3)) ] && [ "$1" -le $(($2 + $3)) ]; }
