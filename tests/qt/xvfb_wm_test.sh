#!/usr/bin/env bash
# Under a window manager (openbox), the desktop scaled to dpi if given: the frame, known only
# once mapped, centred on the pointer; no maximising; the close box (Alt+F4) acts as Cancel.
# Usage: xvfb_wm_test.sh <auxline> <auxline_qt.so> [dpi]  (auxline-dialog beside auxline)
set -u
dpi=${3:-96}  # 96 without an Xft.dpi resource
# shellcheck source=xvfb_session.sh
. "$(dirname "$0")/xvfb_session.sh"
start_xvfb openbox xdotool xprop xwininfo xrdb
[ -n "${3:-}" ] && set_desktop_dpi "$dpi"
slack=$((dpi == 96 ? 0 : 2))
tool_folder "$1" "$2"
openbox --config-file /dev/null >/dev/null 2>&1 &
session_pids+=("$!")
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for wm_ready || { echo "FAIL: openbox did not start"; exit 1; }

printf '%s\r\n' 'hk 10' 'lg2' 'ly5' 'hp1 100 200' > "$scratch/JWC_TEMP.TXT"
timeout 10 xdotool mousemove --sync 500 400
eval "$(xdotool getmouselocation --shell)"
pointer_x=$X pointer_y=$Y

(cd "$scratch" && exec ./auxline /R10) &
tool_pid=$!
session_pids+=("$tool_pid")
window=$(wait_for_window "補助線の作図")
[ -n "$window" ] || { echo "FAIL: no window captioned 補助線の作図 appeared"; exit 1; }

frame_extents() { xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p'; }
framed() { [ -n "$(frame_extents)" ]; }
wait_for framed || { echo "FAIL: the window manager never framed the window"; exit 1; }
extents=$(frame_extents)
IFS=', ' read -r frame_left frame_right frame_top frame_bottom <<<"$extents"
# The program moves the window by the frame it got after the manager placed it: wait for that.
centred() {
  read -r client_x client_y client_w client_h <<<"$(xwininfo -id "$window" |
    sed -n 's/.*\(Absolute upper-left [XY]\|Width\|Height\): *//p' | tr '\n' ' ')"
  outer_w=$((client_w + frame_left + frame_right))
  outer_h=$((client_h + frame_top + frame_bottom))
  outer_x=$((client_x - frame_left))
  outer_y=$((client_y - frame_top))
  near "$outer_x" $((pointer_x - outer_w / 2)) "$slack" && near "$outer_y" $((pointer_y - outer_h / 2)) "$slack"
}
wait_for centred || fail "the frame is not centred on the pointer"
echo "pointer $pointer_x,$pointer_y; frame ${extents}; outer ${outer_w}x$outer_h at $outer_x,$outer_y"
[ "$client_w" = $((272 * dpi / 96)) ] && [ "$client_h" = $((187 * dpi / 96)) ] ||
  fail "client area ${client_w}x$client_h"
[ $((frame_top + frame_bottom)) -gt 0 ] || fail "the window manager drew no frame"
actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
case "$actions" in *MAXIMIZE*) fail "maximising is offered: $actions" ;; esac
case "$actions" in *MINIMIZE*) ;; *) fail "minimising is not offered: $actions" ;; esac

xdotool windowfocus --sync "$window"
xdotool type --delay 30 '55'  # typed, then discarded by the close box
xdotool key alt+F4
wait_until_ended "$tool_pid" || { echo "FAIL: the close box did not end auxline"; exit 1; }
wait "$tool_pid" || fail "exit status $?"
[ "$(cat "$scratch/JWC_TEMP.TXT")" = "$(printf '%s\r\n' lg2 ly5 lc9 lt1 lw0)" ] ||
  fail "exchange file after the close box: $(cat -A "$scratch/JWC_TEMP.TXT")"
[ -e "$scratch/auxline.dat" ] && fail "the close box saved the settings"
finish "framed by the window manager, centred on the pointer, closed as Cancel"
