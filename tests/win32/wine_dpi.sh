#!/usr/bin/env bash
# Sets the display's pixels per inch of the Wine prefix in WINEPREFIX (Wine's LogPixels,
# read when the next Wine session starts; 96 is the default).
#   bash tests/win32/wine_dpi.sh DPI
set -euo pipefail
wineserver -k 2> /dev/null || true
DISPLAY= WINEDEBUG=-all wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f > /dev/null 2>&1
wineserver -w
