#!/usr/bin/env bash
# Draws a picture of every construction from real runs: for each folder of examples/modes/
# (an exchange file JWC_TEMP.TXT, the arguments in `args`, maybe a settings file auxline.dat)
# the tool runs as the host starts it, in a scratch folder, and scripts/mode-picture.py
# draws the input and what the tool wrote into OUTDIR/<folder>.svg. The runs that open the
# dialog ("/R10") run under a private Xvfb, and the dialog is confirmed with Enter: it takes
# the values of the settings file given, as a user would who changes nothing.
#
#   bash scripts/mode-pictures.sh OUTDIR     # the committed pictures: docs/modes
set -euo pipefail
cd "$(dirname "$0")/.."
out=$1
build="${BUILD_DIR:-build}"  # the same build directory as scripts/test.sh

bash scripts/ensure-build.sh "$build" auxline
mkdir -p "$out"
programs=("$build/platform/linux/auxline" "$build/platform/linux/auxline-dialog"
          "$build/platform/linux/auxline_qt.so")

. tests/qt/xvfb_session.sh
require_tools Xvfb xdotool
start_xvfb
scratch="$(mktemp -d)"
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -rf "$scratch"' EXIT

for example in examples/modes/*/; do
  name=$(basename "$example")
  run="$scratch/$name"
  mkdir "$run"
  cp "${programs[@]}" "$example"/* "$run/"
  read -r -a args < "$example/args"
  status=0
  if [ "${args[0]:-}" = /R10 ]; then
    (cd "$run" && exec ./auxline "${args[@]}") &
    pid=$!
    window=$(wait_for_window "補助線の作図" "$pid")
    [ -n "$window" ] && xdotool windowfocus --sync "$window" key Return
    wait_until_ended "$pid" || kill "$pid"
    wait "$pid" || status=$?
    [ -n "$window" ] || { echo "$name: the dialog did not open"; exit 1; }
  else
    (cd "$run" && exec ./auxline "${args[@]}") || status=$?
  fi
  settings=()
  [ -f "$example/auxline.dat" ] && settings=("$example/auxline.dat")
  python3 scripts/mode-picture.py "$example/JWC_TEMP.TXT" "$run/JWC_TEMP.TXT" "${args[*]}" \
    "$status" "${settings[@]}" > "$out/$name.svg"
done
echo "pictures of $(ls examples/modes | wc -l) runs in $out"
