#!/usr/bin/env bash
# "/R10" in a real X session with real input: auxline and its dialog module are copied
# into a scratch directory beside an exchange file, the dialog is found by its caption, a
# radius is typed over the selected one, Enter confirms, and the exchange file must hold
# the circle. Skips (status 77) only where Xvfb or xdotool is missing outside CI.
# Usage: xvfb_r10_test.sh <auxline> <auxline_qt.so>
set -u
auxline=$1
module=$2
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=xvfb_session.sh
. "$here/xvfb_session.sh"
require_tools Xvfb xdotool
start_xvfb || exit 1

scratch=$(mktemp -d)
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -rf "$scratch"' EXIT
cp "$auxline" "$module" "$scratch/"
printf '%s\r\n' 'hk 10' 'lg2' 'ly5' 'hp1 100 200' > "$scratch/JWC_TEMP.TXT"

# The pointer where the server put it (a bare Xvfb does not let it be moved before a
# window is mapped): the dialog must open centred on it.
eval "$(xdotool getmouselocation --shell)"
pointer_x=$X
pointer_y=$Y
(cd "$scratch" && exec ./auxline /R10) &
tool_pid=$!

window=$(wait_for_window "補助線の作図" "$tool_pid")
if [ -z "$window" ]; then
  if kill -0 "$tool_pid" 2>/dev/null; then
    echo "FAIL: no window captioned 補助線の作図 appeared within 30 s"
    kill "$tool_pid" 2>/dev/null
  else
    wait "$tool_pid"
    echo "FAIL: auxline ended with status $? before its window appeared"
  fi
  exit 1
fi
# Without a window manager there is no frame: the outer size is the client area, and the
# position is the pointer minus its integer halves.
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $window at $X,$Y size ${WIDTH}x$HEIGHT, pointer at $pointer_x,$pointer_y"
status=0
[ "$WIDTH" = 272 ] && [ "$HEIGHT" = 187 ] || { echo "FAIL: client size ${WIDTH}x$HEIGHT"; status=1; }
if [ "$X" != $((pointer_x - 136)) ] || [ "$Y" != $((pointer_y - 93)) ]; then
  echo "FAIL: not centred on the pointer"
  status=1
fi

# The radius box has the focus with its text selected: typing replaces it.
xdotool windowfocus --sync "$window"
xdotool type --delay 30 '12.5'
xdotool key Return

if ! ended_within_10s "$tool_pid"; then
  echo "FAIL: auxline did not end after Enter"
  kill "$tool_pid"
  exit 1
fi
wait "$tool_pid"
exit_status=$?
[ "$exit_status" = 0 ] || { echo "FAIL: exit status $exit_status"; status=1; }

expected=$(printf '%s\r\n' lg2 ly5 lc9 lt1 lw0 'ci 100 200 12.5')
if [ "$(cat "$scratch/JWC_TEMP.TXT")" != "$expected" ]; then
  echo "FAIL: exchange file:"
  od -c "$scratch/JWC_TEMP.TXT" | head -10
  status=1
fi
expected_settings=$(printf '%s\r\n' -1 -1 0 -1 12.5 1 0)
[ "$(cat "$scratch/auxline.dat")" = "$expected_settings" ] || { echo "FAIL: settings file"; status=1; }
[ "$status" = 0 ] && echo "radius typed under X, Enter confirmed: circle written"
exit "$status"
