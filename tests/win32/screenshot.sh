#!/usr/bin/env bash
# Takes the picture of both dialog pages under Wine for docs/dialog-wine.png, or with a
# display of DPI pixels per inch (Wine's LogPixels) for docs/dialog-wine-DPIdpi.png.
#   bash tests/win32/screenshot.sh WINDOWS_BUILD_DIR OUTPUT.png [DPI]
# Needs Wine, Xvfb and ImageMagick; makes its own Wine prefix.
set -euo pipefail
build="$(cd "$1" && pwd)"
output="$(realpath "$2")"
dpi="${3:-96}"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export WINEPREFIX WINEDEBUG=-all
WINEPREFIX="$(bash "$repo/tests/win32/wine_prefix.sh" "$scratch/prefix")"
bash "$repo/tests/win32/wine_dpi.sh" "$dpi"
mkdir "$scratch/tool"
cp "$build/platform/win32/auxline.exe" "$repo/examples/JWC_TEMP.TXT" "$scratch/tool/"
printf '%s\r\n' 3 -1 2 25 12.5 0.5 30 > "$scratch/tool/auxline.dat"
cat > "$scratch/shoot.sh" <<SHOOT
cd "$scratch/tool"
for page in r10 settings; do
  args=(/R10); [ \$page = r10 ] || args=()
  wine "$build/tests/win32/dialog_driver.exe" auxline.exe "\${args[@]}" -- pause 4000 key escape > /dev/null &
  sleep 3
  import -window root "$scratch/\$page-desktop.png"
  convert "$scratch/\$page-desktop.png" -trim +repage "$scratch/\$page.png"  # the desktop around it is one colour
  wait
done
wineserver -k
SHOOT
xvfb-run -a -s "-screen 0 640x480x24" bash "$scratch/shoot.sh"
convert "$scratch/r10.png" "$scratch/settings.png" -background white -splice 8x0 +append -chop 8x0 +repage "$output"
