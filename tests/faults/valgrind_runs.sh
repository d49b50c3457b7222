#!/usr/bin/env bash
# Each mode under memcheck, without the dialog module (the dialog runs close at once); any memory
# error, leak or missing result fails. Memcheck cannot see the static auxline's heap: its dynamic
# twin auxline-memcheck stands in, followed into auxline-dialog, which both start.
# Usage: valgrind_runs.sh path/to/auxline  (auxline-memcheck and auxline-dialog beside it)
set -euo pipefail
exe=${1:?usage: valgrind_runs.sh path/to/auxline}
twin=$(dirname "$exe")/auxline-memcheck
dialog_program=$(dirname "$exe")/auxline-dialog
for program in "$twin" "$dialog_program"; do
  [ -x "$program" ] || { echo "valgrind_runs: no executable at $program"; exit 1; }
done
command -v valgrind > /dev/null || { echo "valgrind_runs: valgrind is not installed"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An exchange file with every kind of line the reader knows.
exchange_input() {
  printf '%s\r\n' 'file=C:\work\plan one.drw' 'hk 30' \
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
  cp "$twin" "$dir/auxline"
  cp "$dialog_program" "$dir/"
  exchange_input > "$dir/JWC_TEMP.TXT"
  printf '3\r\n5\r\n2\r\n1\r\n12.5\r\n0.5\r\n330\r\n' > "$dir/auxline.dat"
  local status=0
  # The report goes to a descriptor both programs share: a log file would be opened anew,
  # emptied, by the program the first one starts.
  (cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY valgrind --quiet --error-exitcode=1 \
      --trace-children=yes --xml=yes --xml-fd=9 --log-file=/dev/null \
      --leak-check=full --show-leak-kinds=definite,indirect,possible \
      --errors-for-leak-kinds=definite,indirect,possible \
      ./auxline "$@" 9>> "$dir/valgrind.xml") || status=$?
  local became
  became=$(grep -c '<exe>.*/auxline-dialog</exe>' "$dir/valgrind.xml" || true)
  # With arguments the commands, from the attribute block on ("hq" alone where the dialog
  # could not be shown); without, the host's input.
  local written=ok
  if [ $# -gt 0 ] && [ "$expected" = 2 ]; then
    cmp -s "$dir/JWC_TEMP.TXT" <(printf 'hq\r\n') || written=no
  elif [ $# -gt 0 ]; then
    head -c 2 "$dir/JWC_TEMP.TXT" | grep -q '^lg' || written=no
    [ "$(tail -c 2 "$dir/JWC_TEMP.TXT" | od -An -c | tr -d ' ')" = '\r\n' ] || written=no
  else
    cmp -s "$dir/JWC_TEMP.TXT" <(exchange_input) || written=no
  fi
  if [ "$status" != "$expected" ] || grep -q '<error>' "$dir/valgrind.xml" ||
     [ "$written" != ok ] || [ "$became" != "$dialog_runs" ]; then
    echo "valgrind $name: FAILED (status $status, expected $expected, exchange file $written," \
      "dialog program run $became times, expected $dialog_runs)"
    grep -E '<(exe|kind|text|fn|file)>' "$dir/valgrind.xml"
    failed=1
  else
    echo "valgrind $name: clean"
  fi
}

dialog_runs=0
for mode in /R1 /R2 /R3 /R5 /R6 /R8 /R9; do run_case "mode${mode#/}" 0 "$mode"; done
run_case modeR4 0 /R4 30
run_case modeR7 0 /R7 -15.5
run_case unrecognised 0 /Rx
# No dialog module beside the executable: the dialog runs close at once (status 2).
dialog_runs=1
run_case modeR10 2 /R10
run_case settings 2
exit "$failed"
