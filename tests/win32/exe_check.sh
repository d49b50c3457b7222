#!/usr/bin/env bash
# The users' auxline.exe as Windows will load it: a 32-bit x86 GUI program, large-address
# aware (4 GB under 64-bit Windows), that imports only the system's own DLLs and none of the
# functions Windows 7 lacks (those are looked up at run time), with its manifest: dpi-aware
# per monitor, long-path aware, Windows 7 to 11, no execution level (that would end the file
# virtualisation it shares with a 32-bit host), no common-controls 6.
#   bash tests/win32/exe_check.sh AUXLINE.EXE
set -euo pipefail
exe="$1"
tools=i686-w64-mingw32
fail() { echo "auxline.exe: $*"; exit 1; }

"$tools-objdump" -f "$exe" | grep -q 'file format pei-i386' || fail "not a 32-bit x86 program"
headers="$("$tools-objdump" -p "$exe")"
grep -q 'Subsystem.*(Windows GUI)' <<< "$headers" || fail "not a GUI program"
grep -q '^\s*large address aware$' <<< "$headers" || fail "not large-address aware"
imports="$(sed -n 's/^\s*DLL Name: //p' <<< "$headers" | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')"
echo "auxline.exe: $(stat -c %s "$exe") bytes; imports: $imports"
for dll in $imports; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | imm32.dll | msvcrt.dll | advapi32.dll) ;;
    *) fail "imports $dll, which is not a system DLL" ;;
  esac
done
for function in GetDpiForWindow AdjustWindowRectExForDpi; do
  ! grep -qw "$function" <<< "$headers" || fail "imports $function, so it would not start on Windows 7"
done

# The manifest (resource 1 of type 24) as windres prints it: C string literals.
"$tools-windres" -i "$exe" -O rc | python3 -c '
import re, sys, xml.etree.ElementTree as tree
block = re.search(r"^1 24 .*?\nBEGIN\n(.*?)\nEND", sys.stdin.read(), re.S | re.M)
if not block: sys.exit("auxline.exe: no manifest")
text = "".join(line.strip()[1:-1] for line in block.group(1).splitlines())
text = text.replace("\"\"", "\"").replace("\\n", "\n")
print(text, end="")
root = tree.fromstring(text.encode())
found = {}
for element in root.iter():  # by name, without the namespace
    found.setdefault(element.tag.split("}")[-1], []).append(element)
def expect(condition, why):
    if not condition: sys.exit("auxline.exe manifest: " + why)
expect("PerMonitorV2" in [w.strip() for e in found.get("dpiAwareness", []) for w in e.text.split(",")],
       "no dpiAwareness PerMonitorV2")
expect([e.text.strip() for e in found.get("dpiAware", [])] == ["true/pm"], "no dpiAware true/pm")
expect([e.text.strip().lower() for e in found.get("longPathAware", [])] == ["true"], "not longPathAware")
windows = {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
           "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}
expect({e.get("Id").strip("{}").lower() for e in found.get("supportedOS", [])} == windows,
       "supportedOS is not Windows 7, 8, 8.1, 10/11")
for absent in ("trustInfo", "requestedExecutionLevel", "dependency"):
    expect(absent not in found, "has " + absent)
'
