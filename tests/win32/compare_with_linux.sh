#!/usr/bin/env bash
# The runs without a dialog, through the Linux auxline and through auxline.exe under Wine (in a
# folder with a Japanese name): the exit status and the settings file must match to the byte,
# the exchange file too except that a number in a command may differ by 1e-14 of itself (one
# unit in the 15th digit: same_commands.py). Counts the runs whose bytes are all identical.
#   WINEPREFIX=... bash tests/win32/compare_with_linux.sh LINUX_AUXLINE AUXLINE_EXE
set -uo pipefail
linux_exe="$(realpath "$1")"
windows_exe="$(realpath "$2")"
repo="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
inputs="$scratch/inputs"
mkdir -p "$inputs"
. "$repo/tests/support/cases.sh"

crlf() { printf '%s\r\n' "$@"; }

# Exchange files: the example; a host context without lines; lines, circles, an arc, a
# point, Shift-JIS names and lines that fit no key; line feeds alone; empty; none at all.
cp "$repo/examples/JWC_TEMP.TXT" "$inputs/example"
crlf "hk 30" "lg2" "ly5" "lc3" "lt2" "lw4" "hp1 100 200" "hp2 400 600" > "$inputs/no-lines"
{
  crlf "hk 45.5" "hs 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1" "lg0 0" "lyA 0" "lc5" "lt3" "lw2"
  printf 'lgn2 \x83\x8c\x83C\x83\x84\x81[\r\n'
  crlf "hp1 -12.5 3.25" "hp2ln 7 7" "hp3ci 1e3 -2E-2" "lc2" "1 1 1000 500" "-3 4 250 -250.75"
  crlf "ci 500 500 250" "ci 0 0 10 0 360 0.5 30" "pt 5 5" "unknown line" "12,5 3" ""
} > "$inputs/mixed"
tr -d '\r' < "$repo/examples/JWC_TEMP.TXT" > "$inputs/line-feeds"
: > "$inputs/empty"

# Settings files: none; the example; values outside every list; a short file.
cp "$repo/examples/auxline.dat" "$inputs/settings-example"
crlf 99 16 50 40000 1 2 3 > "$inputs/settings-outside"
crlf 2 > "$inputs/settings-short"

modes=("/R1" "/R2" "/R3" "/R4" "/R4 45" "/R4 abc" "/R5" "/R6" "/R7 30" "/R7 -12.5" "/R8" "/R9"
       "/r1" "/R11" "/R1 extra arguments")

identical=0
# compare LABEL EXCHANGE SETTINGS MODE: EXCHANGE and SETTINGS name files in $inputs, or "-";
# MODE holds the arguments separated by blanks, or EMPTY for one empty argument.
compare() {
  local label="$1" exchange="$2" settings="$3" mode n linux windows dir problems="" same=0
  read -r -a mode <<< "$4"
  [ "$4" != EMPTY ] || mode=("")
  n=$(case_number)
  linux="$scratch/linux/$n" windows="$scratch/windows/補助線の作図 $n"
  mkdir -p "$linux" "$windows"
  cp "$linux_exe" "$linux/auxline"
  cp "$windows_exe" "$windows/auxline.exe"
  for dir in "$linux" "$windows"; do
    [ "$exchange" = - ] || cp "$inputs/$exchange" "$dir/JWC_TEMP.TXT"
    [ "$settings" = - ] || cp "$inputs/$settings" "$dir/auxline.dat"
  done
  (cd "$scratch" && "$linux/auxline" "${mode[@]}" </dev/null >/dev/null 2>&1)
  local linux_status=$?
  (cd "$scratch" && timeout 60 wine "$windows/auxline.exe" "${mode[@]}" </dev/null >/dev/null 2>&1)
  local windows_status=$?
  [ "$linux_status" = "$windows_status" ] || problems+=" exit($linux_status/$windows_status)"
  if [ -e "$linux/auxline.dat" ] || [ -e "$windows/auxline.dat" ]; then
    cmp -s "$linux/auxline.dat" "$windows/auxline.dat" || problems+=" auxline.dat"
  fi
  if [ -e "$linux/JWC_TEMP.TXT" ] && [ -e "$windows/JWC_TEMP.TXT" ]; then
    python3 "$repo/tests/win32/same_commands.py" "$linux/JWC_TEMP.TXT" "$windows/JWC_TEMP.TXT"
    same=$?
    [ "$same" -le 1 ] || problems+=" JWC_TEMP.TXT"
  elif [ -e "$linux/JWC_TEMP.TXT" ] || [ -e "$windows/JWC_TEMP.TXT" ]; then
    problems+=" JWC_TEMP.TXT (on one system only)"
  fi
  [ -n "$problems" ] || [ "$same" -ne 0 ] || identical=$((identical + 1))
  check "$label [${mode[*]}]:$problems" [ -z "$problems" ]
}

for exchange in example no-lines mixed line-feeds empty -; do
  for mode in "${modes[@]}"; do compare "exchange $exchange" "$exchange" - "$mode"; done
done
for settings in settings-example settings-outside settings-short; do
  for mode in "${modes[@]}"; do compare "settings $settings" mixed "$settings" "$mode"; done
done
compare "empty argument" example - EMPTY

echo "Linux and Windows outputs: $identical of $(($(case_number) - 1)) runs byte-identical"
cases_done "Linux and Windows outputs"
