#!/usr/bin/env bash
# Runs without a dialog create no window made with the program's own instance handle in Wine's
# window trace, where the /R10 dialog does show; their start-up time is logged beside cmd.exe's.
#   WINEPREFIX=... DISPLAY=... bash tests/win32/no_window_check.sh WINDOWS_BUILD_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp "$build/platform/win32/auxline.exe" "$repo/examples/JWC_TEMP.TXT" "$scratch/"
image_base="$(i686-w64-mingw32-objdump -p "$scratch/auxline.exe" | awk '/^ImageBase/ { print $2 }')"
own_windows="WIN_CreateWindowEx.* inst=$image_base "  # windows made by auxline.exe itself
. "$repo/tests/support/cases.sh"
windows_made() {  # ARGUMENTS...: the number of windows the run made
  cp "$repo/examples/JWC_TEMP.TXT" "$scratch/"
  (cd "$scratch" && WINEDEBUG=+win timeout 60 wine "$@" 2>&1 >/dev/null) | grep -c "$own_windows"
}
for mode in /R1 /R2 /R3 /R4 /R5 /R6 /R7 /R8 /R9 /r10; do
  made="$(windows_made ./auxline.exe "$mode")"
  check "$mode made $made windows" [ "$made" -eq 0 ]
done
made="$(windows_made "$build/tests/win32/dialog_driver.exe" auxline.exe /R10 -- key escape)"
check "the /R10 dialog did not show in the trace" [ "$made" -gt 0 ]

# Start-up time, for the log: ten runs of "/R1" against ten runs of an empty program.
timed() {
  local started=$EPOCHREALTIME
  for _ in 1 2 3 4 5 6 7 8 9 10; do (cd "$scratch" && WINEDEBUG=-all wine "$@" >/dev/null 2>&1); done
  awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f ms", (b - a) * 100 }'
}
echo "  /R1 under Wine: $(timed ./auxline.exe /R1) a run; an empty program: $(timed cmd.exe /c exit) a run"
cases_done "no-window runs"
