#!/usr/bin/env bash
# Takes the README's pictures of both pages under Xvfb (no window manager: the client area
# only), at 100 % and on a desktop scaled to 200 % (Xft.dpi 192). Needs: ImageMagick (import).
# Usage: screenshots.sh <auxline> <auxline_qt.so> <output directory>  (auxline-dialog beside auxline)
set -eu
out=$3
. "$(dirname "$0")/xvfb_session.sh"
start_xvfb xdotool xrdb import
tool_folder "$1" "$2"
printf '%s\r\n' 'hk 10' 'lg2' 'ly5' 'hp1 100 200' > "$scratch/JWC_TEMP.TXT"
# Stored: layer group 3, current layer, line type 2, width 25, radius 12.5, ratio 0.5, 330°.
printf '%s\r\n' 3 -1 2 25 12.5 0.5 330 > "$scratch/auxline.dat"

# shot <png> <arguments...>
shot() {
  local png=$1
  shift
  (cd "$scratch" && exec ./auxline "$@") &
  local pid=$! window
  window=$(wait_for_window "補助線の作図")
  [ -n "$window" ] || { echo "no window"; kill "$pid"; return 1; }
  sleep 0.5  # let the first paint finish
  import -window "$window" "$png"
  xdotool windowfocus --sync "$window"
  xdotool key Escape
  wait "$pid" || true
  echo "wrote $png"
}

shot "$out/dialog-drawing.png" /R10
shot "$out/dialog-settings.png"
set_desktop_dpi 192
shot "$out/dialog-drawing-200.png" /R10
shot "$out/dialog-settings-200.png"
