#!/usr/bin/env bash
# auxline.exe while another program (file_holder.exe, as a scanner) holds its exchange file,
# and started through its 8.3 short path. A hold that outlasts the wait ends soon in status 1: the
# host's input stays where nobody can write, "hq" where only reading is refused.
#   WINEPREFIX=... bash tests/win32/held_file_cases.sh WINDOWS_BUILD_DIR
set -uo pipefail
build="$(cd "$1" && pwd)"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
exe="$build/platform/win32/auxline.exe"
holder="$build/tests/win32/file_holder.exe"
. "$repo/tests/support/cases.sh"

tool_dir() {  # DIR: auxline.exe and the examples in a new folder
  mkdir "$1"
  cp "$exe" "$repo/examples/JWC_TEMP.TXT" "$repo/examples/auxline.dat" "$1/"
}

# What an undisturbed run makes of the example.
tool_dir "$scratch/free"
(cd "$scratch/free" && timeout 60 wine ./auxline.exe /R1 > /dev/null 2>&1)
finished="$scratch/free/JWC_TEMP.TXT"
input="$repo/examples/JWC_TEMP.TXT"
printf 'hq\r\n' > "$scratch/nothing"

# SHARE MILLISECONDS STATUS RESULT LONGEST_MS
cases=("- 1000 0 $finished 4000" "r 1000 0 $finished 4000" "r 20000 1 $input 5000"
       "- 20000 1 $input 5000" "wd 20000 1 $scratch/nothing 5000")
for case in "${cases[@]}"; do
  read -r share hold want_status want_file longest <<< "$case"
  dir="$scratch/held-$share-$hold"
  tool_dir "$dir"
  took="$(cd "$dir" && timeout 60 wine "$holder" JWC_TEMP.TXT "$share" "$hold" auxline.exe /R1 \
    2> /dev/null | tr -d '\r')"
  status=$?
  label="held with sharing '$share' for $hold ms"
  check "$label: status $status, not $want_status" [ "$status" -eq "$want_status" ]
  check "$label: took $took ms" [ "${took:-99999}" -le "$longest" ]
  check "$label: the exchange file" cmp -s "$dir/JWC_TEMP.TXT" "$want_file"
done

# Started as AUXL~XXX.EXE, "auxline long name.exe" reads and writes "auxline long name.dat".
dir="$scratch/short"
tool_dir "$dir"
mv "$dir/auxline.exe" "$dir/auxline long name.exe"
mv "$dir/auxline.dat" "$dir/auxline long name.dat"
short="$(cd "$dir" && wine cmd /c dir /x 2> /dev/null | tr -d '\r' |
  awk '/ auxline long name\.exe$/ { print $(NF - 3) }')"
if [ -n "$short" ] && [ "$short" != auxline ]; then
  (cd "$dir" && timeout 60 wine "$short" /R1 > /dev/null 2>&1)
  check "run as $short: the settings of the long name" cmp -s "$dir/JWC_TEMP.TXT" "$finished"
  check "run as $short: no other settings file" [ "$(ls "$dir" | wc -l)" -eq 3 ]
else
  echo "  skipped: no 8.3 short names on this drive"
fi
cases_done "held files and short paths"
