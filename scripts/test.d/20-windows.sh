#!/usr/bin/env bash
# The Windows program: auxline.exe cross-built with mingw-w64, checked (GUI subsystem, no
# DLLs but the system's), packed into the users' zip, and tested under Wine in a fresh
# prefix under Xvfb (tests/win32/run_under_wine.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
stage_started=$SECONDS
build=build-windows
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DAUXLINE_QT=OFF -DAUXLINE_BENCH=OFF
cmake --build "$build" -j2
echo "Windows build: $((SECONDS - stage_started)) s"
exe="$build/platform/win32/auxline.exe"

# One self-contained GUI program: only the system's own DLLs are imported.
headers="$(x86_64-w64-mingw32-objdump -p "$exe")"
grep -q 'Subsystem.*(Windows GUI)' <<< "$headers" || { echo "auxline.exe is not a GUI program"; exit 1; }
imports="$(sed -n 's/^\s*DLL Name: //p' <<< "$headers" | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')"
echo "auxline.exe: $(stat -c %s "$exe") bytes; imports: $imports"
for dll in $imports; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | imm32.dll | msvcrt.dll) ;;
    *) echo "auxline.exe imports $dll, which is not a system DLL"; exit 1 ;;
  esac
done

# The users' zip: auxline.exe and the README.
(cd "$build" && cpack -G ZIP > /dev/null)
python3 - "$build"/auxline-*-win64.zip <<'PYTHON'
import sys, zipfile
names = sorted(name.split("/")[-1] for name in zipfile.ZipFile(sys.argv[1]).namelist() if not name.endswith("/"))
assert names == ["README-ja-en.txt", "auxline.exe"], names
print(sys.argv[1], names)
PYTHON

# The Linux program, to compare with.
linux_exe=build/platform/linux/auxline
if [ ! -x "$linux_exe" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build build --target auxline
fi

scratch="$(mktemp -d)"
cleanup() {
  WINEPREFIX="$scratch/prefix" wineserver -k 2> /dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
wine_started=$SECONDS
export WINEPREFIX
WINEPREFIX="$(bash tests/win32/wine_prefix.sh "$scratch/prefix")"
echo "Wine prefix ready in $((SECONDS - wine_started)) s"
xvfb-run -a -s "-screen 0 1024x768x24" bash tests/win32/run_under_wine.sh "$build" "$linux_exe"
echo "Windows stage: $((SECONDS - stage_started)) s, of which Wine $((SECONDS - wine_started)) s"
