#!/usr/bin/env bash
# Runs the tool the way the host does, on a copy of examples/: the executable, the exchange
# file JWC_TEMP.TXT and the settings file auxline.dat side by side in a scratch directory.
# Prints the exchange file before and after the run.
#
#   bash scripts/run-example.sh                 # "auxline /R1"
#   bash scripts/run-example.sh /R4 45          # any mode, with its angle argument
#   bash scripts/run-example.sh /R8 "" my.TXT   # another exchange file (third argument)
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1-/R1}"
angle="${2-}"
exchange="${3:-examples/JWC_TEMP.TXT}"
build="${BUILD_DIR:-build}"  # the same build directory as scripts/test.sh

bash scripts/ensure-build.sh "$build" auxline

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# The dialog program and the dialog module, if built, sit beside the executable (only "/R10"
# and no mode use them).
cp "$build/platform/linux/auxline" "$build/platform/linux/auxline-dialog" "$scratch/"
cp "$build"/platform/linux/*.so "$scratch/" 2>/dev/null || true
cp "$exchange" "$scratch/JWC_TEMP.TXT"
[ -f examples/auxline.dat ] && cp examples/auxline.dat "$scratch/auxline.dat"

show() {  # file contents with the CR of each CR LF removed for the terminal
  if [ -f "$1" ]; then sed 's/\r$//' "$1" | sed 's/^/    /'; else echo "    (no file)"; fi
}

args=("$mode")
[ -n "$angle" ] && args+=("$angle")
[ "$mode" = "" ] && args=()

echo "== settings file auxline.dat"
show "$scratch/auxline.dat"
echo "== exchange file before: $exchange"
show "$scratch/JWC_TEMP.TXT"
status=0
"$scratch/auxline" "${args[@]}" || status=$?
echo "== ran: auxline ${args[*]}   (exit status $status)"
echo "== exchange file after"
show "$scratch/JWC_TEMP.TXT"
echo "== settings file after"
show "$scratch/auxline.dat"
if [ "$status" != 0 ]; then
  # The tool shows no message; a failed run says why in its log, which goes with the scratch
  # folder.
  echo "== why, from auxline.log"
  show "$scratch/auxline.log"
fi
if [ "$status" = 2 ] && [ -z "${DISPLAY-}${WAYLAND_DISPLAY-}" ]; then
  echo "== \"/R10\" and the settings (no mode) open a dialog, which needs a display; without"
  echo "   one, run them under a virtual one: xvfb-run -a bash scripts/run-example.sh /R10"
fi
