#!/usr/bin/env bash
# Runs the real executable under valgrind's memcheck, once per mode, from a directory of its
# own without the dialog module (so "/R10" and the settings run take the headless window).
# Any memory error or leak, or a run that does not write its result, fails.
# Usage: valgrind_runs.sh path/to/auxline
set -euo pipefail
exe=${1:?usage: valgrind_runs.sh path/to/auxline}
[ -x "$exe" ] || { echo "valgrind_runs: no executable at $exe"; exit 1; }
command -v valgrind > /dev/null || { echo "valgrind_runs: valgrind is not installed"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An exchange file with every kind of line the reader knows.
exchange_input() {
  printf '%s\r\n' 'file=C:\work\plan one.jww' 'hk 30' \
    'hs 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1' 'hzs 420 297' 'hcw 1 2 3 4 5 6 7 8 9 10' \
    'hcc 1 2 3 4 5 6 7 8 9 10' 'bz' 'hn 1 2 3 4' 'lg2 10' 'lgnBase' 'ly5' 'lynWalls' \
    'lc10 7' 'lt2' 'lw3' 'cn$font' 'cn0 1 2 3 4' 'cc1' 'z1' 'pn3' 'hp1 10 20' 'hp2ln 40 60' \
    'hhp2ln' 'pl' '0 0 100 0' '100 0 100 50' '#' 'ci 0 0 5' 'ci 0 0 5 0 0 0.5 30' \
    'ch 1 2 3 4 text' 'msg' '0 0 10 0' 'cs 1 2 3 4 "dim"' 'pt 1 2' 'pt 1 2 3 4 5' \
    'BL 5 6 block' 'sl 1 2 3 4' 'sl 1 2 3 4 5 6' 'sl 1 2 3 4 5 6 7 8' \
    'sc 1 2 3 4 5 6 7 8' 'se 1 2 3 4 5 6 7 8' 'so 1 2 3 4 5 6 7 8' 'sg 1 2 3 4 5 6 7 8'
}

failed=0
run_case() {  # name, expected status, arguments...
  local name=$1 expected=$2
  shift 2
  local dir="$work/$name"
  mkdir -p "$dir"
  cp "$exe" "$dir/auxline"
  exchange_input > "$dir/JWC_TEMP.TXT"
  printf '3\r\n5\r\n2\r\n1\r\n12.5\r\n0.5\r\n330\r\n' > "$dir/auxline.dat"
  local status=0
  (cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY valgrind --quiet --error-exitcode=1 \
      --leak-check=full --show-leak-kinds=definite,indirect,possible \
      --errors-for-leak-kinds=definite,indirect,possible --log-file="$dir/valgrind.log" \
      ./auxline "$@") || status=$?
  # With arguments the exchange file now holds the commands, starting with the attribute
  # block; without, it is left as the host wrote it.
  local written=ok
  if [ $# -gt 0 ]; then
    head -c 2 "$dir/JWC_TEMP.TXT" | grep -q '^lg' || written=no
    [ "$(tail -c 2 "$dir/JWC_TEMP.TXT" | od -An -c | tr -d ' ')" = '\r\n' ] || written=no
  else
    cmp -s "$dir/JWC_TEMP.TXT" <(exchange_input) || written=no
  fi
  if [ "$status" != "$expected" ] || [ -s "$dir/valgrind.log" ] || [ "$written" != ok ]; then
    echo "valgrind $name: FAILED (status $status, expected $expected, exchange file $written)"
    cat "$dir/valgrind.log"
    failed=1
  else
    echo "valgrind $name: clean"
  fi
}

for mode in /R1 /R2 /R3 /R5 /R6 /R8 /R9; do run_case "mode${mode#/}" 0 "$mode"; done
run_case modeR4 0 /R4 30
run_case modeR7 0 /R7 -15.5
run_case unrecognised 0 /Rx
# No dialog module beside the executable: the dialog runs close at once (status 2).
run_case modeR10 2 /R10
run_case settings 2
exit "$failed"
