#!/usr/bin/env bash
# Real keys under X at 100, 150 and 200 % (Xft.dpi): the dialog sized and centred, the files as
# typed, and the access-key sequences the Windows dialog is checked with (tests/win32).
# Usage: xvfb_dialog_test.sh <auxline> <auxline_qt.so>  (auxline-dialog beside auxline)
set -u
# shellcheck source=xvfb_session.sh
. "$(dirname "$0")/xvfb_session.sh"
start_xvfb xdotool xrdb
tool_folder "$1" "$2"
exchange_in='hk 10;lg2;ly5;lc3;lt2;lw4;hp1 100 200;hp2 400 600'
lines() { (IFS=';'; printf '%s\r\n' $1); }

# dpi | client size | arguments | keys | exchange file and settings file after (lines split at ";")
while IFS='|' read -r dpi size args keys exchange settings; do
  case_name="$dpi dpi, auxline $args, keys $keys"
  set_desktop_dpi "$dpi"
  slack=$((dpi == 96 ? 0 : 2))
  lines "$exchange_in" > "$scratch/JWC_TEMP.TXT"
  rm -f "$scratch/auxline.dat"
  eval "$(xdotool getmouselocation --shell)"
  pointer_x=$X pointer_y=$Y
  # shellcheck disable=SC2086
  (cd "$scratch" && exec ./auxline $args) &
  tool_pid=$!
  window=$(wait_for_window "補助線の作図" "$tool_pid")
  if [ -z "$window" ]; then
    fail "no window within 30 s, or auxline ended first"
    kill "$tool_pid" 2>/dev/null
    wait "$tool_pid"
    continue
  fi
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "$case_name: window ${WIDTH}x$HEIGHT at $X,$Y, pointer at $pointer_x,$pointer_y"
  near "$WIDTH" "${size%x*}" $((slack / 2)) && near "$HEIGHT" "${size#*x}" $((slack / 2)) || fail "size"
  near "$X" $((pointer_x - WIDTH / 2)) $slack && near "$Y" $((pointer_y - HEIGHT / 2)) $slack ||
    fail "not centred on the pointer"
  # shellcheck disable=SC2086
  xdotool windowfocus --sync "$window" key --delay 50 $keys
  wait_until_ended "$tool_pid" || { fail "still open"; kill "$tool_pid"; }
  wait "$tool_pid" || fail "exit status $?"
  [ "$(cat "$scratch/JWC_TEMP.TXT")" = "$(lines "$exchange")" ] || fail "exchange file: $(cat -A "$scratch/JWC_TEMP.TXT")"
  [ "$(cat "$scratch/auxline.dat" 2>/dev/null)" = "$(lines "$settings")" ] || fail "settings file"
done <<ROWS
96|272x187|/R10|1 2 period 5 Return|lg2;ly5;lc9;lt2;lw4;ci 100 200 12.5|-1;-1;0;-1;12.5;1;0
96|272x187||Tab Tab Tab 3 Return|$exchange_in|-1;-1;0;3;100;1;0
144|408x281||Tab Tab Tab 1 Tab Return|$exchange_in|-1;-1;0;1;100;1;0
192|544x374||Tab Tab Tab 8 Return|$exchange_in|-1;-1;0;8;100;1;0
96|272x187|/R10|alt+2 Down Down Down Down Tab Down Down Down Down Down Down Down Down Down Return|lg2;ly5;lc9;lt2;lw4;ci 100 200 100|3;8;0;-1;100;1;0
96|272x187|/R10|alt+2 Down Down Down Return|lg2;ly5;lc9;lt2;lw4;ci 100 200 100|2;-1;0;-1;100;1;0
96|272x187|/R10|Tab 0 alt+y BackSpace 0 period 5 Return|lg2;ly5;lc9;lt2;lw4;ci 100 200 100 0 0 0.5 10|-1;-1;0;-1;100;0.5;0
96|272x187||alt+1 alt+2 Down Return|$exchange_in|0;-1;0;-1;100;1;0
ROWS
finish "typed under X at 100, 150 and 200 %: sized, centred, stored as typed; access keys as on Windows"
