#!/usr/bin/env bash
# The dialog under a real window manager (openbox on Xvfb): the frame, not just the client
# area, is centred on the pointer although the manager frames the window only when it is
# mapped; maximising is not offered; the close box (Alt+F4, sent by the manager as a
# close request) acts as Cancel: the exchange file gets the attribute block only.
# With a dpi, the desktop is scaled (Xft.dpi): the frame stays the manager's size in device
# pixels, the client area grows, and the whole is still centred, to one scaled pixel.
# Skips (status 77) only where Xvfb, openbox, xdotool or xprop is missing outside CI.
# Usage: xvfb_wm_test.sh <auxline> <auxline_qt.so> [dpi]  (auxline-dialog beside auxline)
set -u
auxline=$1
module=$2
dpi=${3:-96}  # 96 without an Xft.dpi resource
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=xvfb_session.sh
. "$here/xvfb_session.sh"
require_tools Xvfb openbox xdotool xprop xwininfo xrdb
start_xvfb || exit 1
[ -n "${3:-}" ] && set_desktop_dpi "$dpi"
slack=$((dpi == 96 ? 0 : 2))
scratch=$(mktemp -d)
openbox --config-file /dev/null >/dev/null 2>&1 &
wm_pid=$!
trap 'kill "$tool_pid" "$wm_pid" 2>/dev/null; kill "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$scratch"' EXIT
tool_pid=""
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for wm_ready || { echo "FAIL: openbox did not start"; exit 1; }

cp "$auxline" "$(dirname "$auxline")/auxline-dialog" "$module" "$scratch/"
printf '%s\r\n' 'hk 10' 'lg2' 'ly5' 'hp1 100 200' > "$scratch/JWC_TEMP.TXT"
timeout 10 xdotool mousemove --sync 500 400
eval "$(xdotool getmouselocation --shell)"
pointer_x=$X
pointer_y=$Y

(cd "$scratch" && exec ./auxline /R10) &
tool_pid=$!
window=$(wait_for_window "補助線の作図")
[ -n "$window" ] || { echo "FAIL: no window captioned 補助線の作図 appeared"; exit 1; }

frame_extents() { xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p'; }
framed() { [ -n "$(frame_extents)" ]; }
wait_for framed || { echo "FAIL: the window manager never framed the window"; exit 1; }
extents=$(frame_extents)
IFS=', ' read -r frame_left frame_right frame_top frame_bottom <<<"$extents"
# The manager reparents and places the window after mapping it, and the program then moves
# it by the frame it got: wait until the frame is centred on the pointer (30 s at most).
client_geometry() {
  xwininfo -id "$window" | sed -n 's/.*\(Absolute upper-left [XY]\|Width\|Height\): *//p' | tr '\n' ' '
}
centred() {
  read -r client_x client_y client_w client_h <<<"$(client_geometry)"
  outer_w=$((client_w + frame_left + frame_right))
  outer_h=$((client_h + frame_top + frame_bottom))
  outer_x=$((client_x - frame_left))
  outer_y=$((client_y - frame_top))
  near "$outer_x" $((pointer_x - outer_w / 2)) "$slack" && near "$outer_y" $((pointer_y - outer_h / 2)) "$slack"
}
status=0
wait_for centred || { echo "FAIL: the frame is not centred on the pointer"; status=1; }
echo "pointer $pointer_x,$pointer_y; frame ${extents}; outer ${outer_w}x$outer_h at $outer_x,$outer_y"
if [ "$client_w" != $((272 * dpi / 96)) ] || [ "$client_h" != $((187 * dpi / 96)) ]; then
  echo "FAIL: client area ${client_w}x$client_h"
  status=1
fi
[ $((frame_top + frame_bottom)) -gt 0 ] || { echo "FAIL: the window manager drew no frame"; status=1; }
actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
case "$actions" in *MAXIMIZE*) echo "FAIL: maximising is offered: $actions"; status=1 ;; esac
case "$actions" in *MINIMIZE*) ;; *) echo "FAIL: minimising is not offered: $actions"; status=1 ;; esac

xdotool windowfocus --sync "$window"
xdotool type --delay 30 '55'  # typed, then discarded by the close box
xdotool key alt+F4
if ! wait_until_ended "$tool_pid"; then
  echo "FAIL: the close box did not end auxline"
  exit 1
fi
wait "$tool_pid"
exit_status=$?
tool_pid=""
[ "$exit_status" = 0 ] || { echo "FAIL: exit status $exit_status"; status=1; }
if [ "$(cat "$scratch/JWC_TEMP.TXT")" != "$(printf '%s\r\n' lg2 ly5 lc9 lt1 lw0)" ]; then
  echo "FAIL: exchange file after the close box:"
  od -c "$scratch/JWC_TEMP.TXT" | head -10
  status=1
fi
[ -e "$scratch/auxline.dat" ] && { echo "FAIL: the close box saved the settings"; status=1; }
[ "$status" = 0 ] && echo "framed by the window manager, centred on the pointer, closed as Cancel"
exit "$status"
