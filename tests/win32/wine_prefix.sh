#!/usr/bin/env bash
# Creates a fresh Wine prefix for the Windows tests and prints its path:
#   export WINEPREFIX=$(bash tests/win32/wine_prefix.sh DIR)
# The prefix gets a 640x480 virtual desktop (windows with frames and title bars, also under
# a bare X server) and a Japanese font in place of the dialog's font.
set -euo pipefail
prefix="$1"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# No display during the first start: nothing asks to install extra runtimes.
DISPLAY= wineboot -i >/dev/null 2>&1
registry="$prefix/auxline-test.reg"
# A registry file of version 5 is UTF-16 with a byte-order mark.
{
  printf '\xff\xfe'
  printf '%s\r\n' "Windows Registry Editor Version 5.00" "" \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ ゴシック"="IPAGothic"' '"MS Gothic"="IPAGothic"' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"MS UI Gothic"="IPAPGothic"' "" \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' "" \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="640x480"' "" |
    iconv -f UTF-8 -t UTF-16LE
} > "$registry"
DISPLAY= wine regedit /S "$(winepath -w "$registry")" >/dev/null 2>&1
# The symbols of the title-bar buttons, where the Wine build does not find its own copy.
marlett=/usr/share/wine/fonts/marlett.ttf
[ ! -e "$marlett" ] || cp "$marlett" "$prefix/drive_c/windows/Fonts/"
wineserver -w
echo "$prefix"
