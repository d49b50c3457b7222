#!/usr/bin/env bash
# The settings dialog in a real X session with real key presses, on desktops scaled to
# 100 %, 150 % and 200 % (Xft.dpi 96, 144, 192): the window grows with the scale (exactly at
# 100 %) and stays centred on the pointer to one scaled pixel, and the line width typed into
# the editable list is exactly what OK stores: nothing completes "3" to "30" from the
# list's items, and the first Enter is OK.
# Skips (status 77) only where Xvfb, xdotool or xrdb is missing outside CI.
# Usage: xvfb_settings_test.sh <auxline> <auxline_qt.so>
set -u
auxline=$1
module=$2
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=xvfb_session.sh
. "$here/xvfb_session.sh"
require_tools Xvfb xdotool xrdb
start_xvfb || exit 1
scratch=$(mktemp -d)
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -rf "$scratch"' EXIT
cp "$auxline" "$module" "$scratch/"
exchange=$(printf '%s\r\n' 'hk 10' 'lg2' 'ly5' 'hp1 100 200')

status=0
fail() { echo "FAIL: dpi $dpi, keys $keys: $*"; status=1; }

# dpi, client width and height, slack of the size, keys from the first list, width stored.
while read -r dpi width height size_slack keys; do
  stored=${keys##* = }
  keys=${keys% = *}
  centre_slack=$((dpi == 96 ? 0 : 2))
  set_desktop_dpi "$dpi"
  printf '%s' "$exchange" > "$scratch/JWC_TEMP.TXT"
  rm -f "$scratch/auxline.dat"
  eval "$(xdotool getmouselocation --shell)"
  pointer_x=$X pointer_y=$Y
  (cd "$scratch" && exec ./auxline) &
  tool_pid=$!
  window=$(wait_for_window "補助線の作図" "$tool_pid")
  if [ -z "$window" ]; then
    fail "no window"
    kill "$tool_pid" 2>/dev/null
    wait "$tool_pid"
    continue
  fi
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "dpi $dpi: window ${WIDTH}x$HEIGHT at $X,$Y, pointer at $pointer_x,$pointer_y"
  near "$WIDTH" "$width" "$size_slack" && near "$HEIGHT" "$height" "$size_slack" || fail "size ${WIDTH}x$HEIGHT"
  near "$X" $((pointer_x - WIDTH / 2)) "$centre_slack" && near "$Y" $((pointer_y - HEIGHT / 2)) "$centre_slack" ||
    fail "not centred on the pointer"

  xdotool windowfocus --sync "$window"
  # shellcheck disable=SC2086
  xdotool key --delay 50 $keys
  if ! ended_within_10s "$tool_pid"; then
    fail "the dialog is still open"
    xdotool key Escape
  fi
  wait "$tool_pid" || fail "exit status $?"
  [ "$(cat "$scratch/auxline.dat" 2>/dev/null)" = "$(printf '%s\r\n' -1 -1 0 "$stored" 100 1 0)" ] ||
    fail "settings file: $(tr '\r\n' '  ' 2>/dev/null < "$scratch/auxline.dat")"
  [ "$(cat "$scratch/JWC_TEMP.TXT")" = "$exchange" ] || fail "the exchange file was written"
done <<'ROWS'
96  272 187 0 Tab Tab Tab 3 Return = 3
144 408 281 1 Tab Tab Tab 1 Tab Return = 1
192 544 374 0 Tab Tab Tab 8 Return = 8
ROWS
[ "$status" = 0 ] && echo "scaled with the desktop, centred, widths stored as typed"
exit "$status"
