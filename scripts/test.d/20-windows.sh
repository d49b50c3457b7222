#!/usr/bin/env bash
# The Windows program: auxline.exe cross-built with mingw-w64 for 32-bit x86 (the program
# users get: it runs beside a 32-bit host, also on 32-bit Windows), checked (GUI subsystem,
# system DLLs only, its manifest), packed into the users' zip, and tested under Wine in a
# fresh prefix under Xvfb (tests/win32/run_under_wine.sh). The 64-bit build is compiled too,
# so that the code stays portable; its core test suites run beside the 32-bit ones.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
stage_started=$SECONDS
build=build-windows
build64=build-windows64
for toolchain in "i686 $build" "x86_64 $build64"; do
  set -- $toolchain
  cmake -S . -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$1.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DAUXLINE_QT=OFF -DAUXLINE_BENCH=OFF
done
cmake --build "$build" -j2
echo "Windows build (32-bit): $((SECONDS - stage_started)) s"
# The 64-bit program and the core suites; the window tests and the dialog driver would only
# repeat the 32-bit ones.
cmake --build "$build64" -j2 --target auxline numeric_tests os_tests exchange_tests tool_tests
echo "Windows builds: $((SECONDS - stage_started)) s"

bash tests/win32/exe_check.sh "$build/platform/win32/auxline.exe"

# The users' zip: auxline.exe (32-bit) and the README.
(cd "$build" && cpack -G ZIP > /dev/null)
python3 - "$build"/auxline-*-win32.zip <<'PYTHON'
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
names = sorted(name.split("/")[-1] for name in archive.namelist() if not name.endswith("/"))
assert names == ["README-ja-en.txt", "auxline.exe"], names
exe = next(name for name in archive.namelist() if name.endswith("auxline.exe"))
header = archive.read(exe)
machine = header[int.from_bytes(header[0x3C:0x40], "little") + 4:][:2]
assert machine == b"\x4c\x01", "the zip's auxline.exe is not the 32-bit x86 program"
# The readme opens in any editor of the users' Windows (the byte-order mark tells Notepad
# it is UTF-8; every line ends in CR LF) and names each mode in both languages.
readme = archive.read(next(name for name in archive.namelist() if name.endswith(".txt")))
assert readme.startswith(b"\xef\xbb\xbf"), "README-ja-en.txt lost its byte-order mark"
assert readme.count(b"\n") == readme.count(b"\r\n"), "README-ja-en.txt has a line without CR LF"
# The English names are the README's (its table of modes).
lines = readme.decode("utf-8-sig").split("\r\n")
table = [row.split("|") for row in open("README.md", encoding="utf-8") if row.startswith("| `/R")]
english = {cells[1].strip(" `").split()[0]: cells[2].strip() for cells in table}
assert len(english) == 10, english
for mode, times in [(f"/R{n}", 2) for n in range(1, 11)] + [("（引数なし）", 1), ("(no argument)", 1)]:
  named = [line for line in lines if line.startswith(f"  auxline.exe {mode} ")]
  assert len(named) == times, (mode, named)
  assert mode not in english or named[1].endswith(f" {english[mode]}"), (mode, named)
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
xvfb-run -a -s "-screen 0 1024x768x24" bash tests/win32/run_under_wine.sh "$build" "$linux_exe" "$build64"
echo "Windows stage: $((SECONDS - stage_started)) s, of which Wine $((SECONDS - wine_started)) s"
