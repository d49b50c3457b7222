#!/usr/bin/env bash
# The executables without the toolkit: auxline is a static program that loads nothing, a
# run without a dialog never starts the dialog program nor loads the dialog module, and a
# dialog run whose window cannot be created (dialog program or module missing or broken,
# no display) ends at once with status 2 instead of aborting, having written the attribute
# block as if the window had been closed; one whose dialog program cannot be started ends
# with status 2 and, after "/R10", "hq".
# Usage: headless_loader_test.sh <auxline> <auxline_qt.so>  (auxline-dialog beside auxline)
set -u
auxline=$1
module=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
dialog_program=$(cd "$(dirname "$auxline")" && pwd)/auxline-dialog
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Static and still position-independent: no program interpreter, type DYN.
readelf -lW "$auxline" | grep -q 'INTERP' && fail "auxline is not a static program"
readelf -hW "$auxline" | grep -q 'Type: *DYN' || fail "auxline is not position-independent"
if ldd "$dialog_program" | grep -qi 'libQt'; then
  fail "auxline-dialog links Qt:"; ldd "$dialog_program" | grep -i qt
fi
# No program of the installation looks for libraries in a folder of its own (a shared tool
# folder would let another user put one there).
for program in "$auxline" "$dialog_program" "$module"; do
  readelf -dW "$program" | grep -qE 'R(UN)?PATH' && fail "$(basename "$program") has a run path"
done

crlf() { printf '%s\r\n' "$@"; }
exchange_in=$(crlf 'hk 10' 'lg2' 'ly5' 'hp1 100 200' 'hp2 110 200')
attribute_block=$(crlf lg2 ly5 lc9 lt1 lw0)

# run <case name> <expected status> <expected exchange file> <env and args ...>
run() {
  local name=$1 status=$2 expected=$3
  shift 3
  printf '%s' "$exchange_in" > "$scratch/JWC_TEMP.TXT"
  local actual_status=0
  (cd "$scratch" && timeout 20 env "$@") > "$scratch/out" 2>&1 || actual_status=$?
  [ "$actual_status" = "$status" ] || fail "$name: status $actual_status, expected $status"
  [ -s "$scratch/out" ] && fail "$name: printed: $(head -c 300 "$scratch/out")"
  if [ "$expected" != "-" ] && [ "$(cat "$scratch/JWC_TEMP.TXT")" != "$expected" ]; then
    fail "$name: exchange file: $(od -c "$scratch/JWC_TEMP.TXT" | head -5)"
  fi
}

no_display=(-u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM)

cp "$auxline" "$dialog_program" "$scratch/"
# No module beside the executable.
run "R10 without module" 2 "$attribute_block" "${no_display[@]}" DISPLAY=:0 ./auxline /R10
run "settings without module" 2 "$exchange_in" "${no_display[@]}" ./auxline

# A module that cannot be loaded.
printf 'not a shared object' > "$scratch/auxline_qt.so"
run "R10 with broken module" 2 "$attribute_block" "${no_display[@]}" ./auxline /R10
# The host cannot fake the dialog program's start: with the variable that once marked it,
# "/R10" still takes the exchange file over and the dialog program runs.
run "R10 with the host's AUXLINE_STARTED_BY" 2 "$attribute_block" "${no_display[@]}" \
  AUXLINE_STARTED_BY="$scratch/auxline" ./auxline /R10

# A module cut short (a copy or an update that did not finish) is a missing one: never
# handed to the loader, which dies of SIGBUS on one cut inside its loaded segments, and the
# files end as the run without a module leaves them.
rm -f "$scratch/auxline_qt.so"
run "R10 without module, for reference" 2 - "${no_display[@]}" ./auxline /R10
without_module=$(cat "$scratch/JWC_TEMP.TXT")
for size in 1024 8192 40000 80000 $(($(stat -c %s "$module") - 1)); do
  head -c "$size" "$module" > "$scratch/auxline_qt.so"
  run "R10 with module cut to $size bytes" 2 "$without_module" "${no_display[@]}" ./auxline /R10
done
run "settings with module cut short" 2 "$exchange_in" "${no_display[@]}" ./auxline
(cd "$scratch" && timeout 20 env "${no_display[@]}" LD_DEBUG=files ./auxline /R10) > "$scratch/ld.log" 2>&1
grep -q 'auxline_qt' "$scratch/ld.log" && fail "a module short of its last byte was loaded"

# The real module, but nowhere to show the window.
cp "$module" "$scratch/auxline_qt.so"
run "R10 without display" 2 "$attribute_block" "${no_display[@]}" ./auxline /R10
run "R10 with unreachable X display" 2 "$attribute_block" "${no_display[@]}" DISPLAY=:97531 ./auxline /R10
run "R10 with xcb requested but no display" 2 "$attribute_block" "${no_display[@]}" QT_QPA_PLATFORM=xcb ./auxline /R10
run "R10 with a platform that does not exist" 2 "$attribute_block" "${no_display[@]}" QT_QPA_PLATFORM=nosuchplatform ./auxline /R10

# Without a dialog program that can be started (a damaged one is never started), the run
# ends with status 2; "/R10" took the exchange file over first, so the host finds "hq".
rm "$scratch/auxline-dialog"
nothing_to_draw=$(crlf hq)
run "R10 without dialog program" 2 "$nothing_to_draw" "${no_display[@]}" DISPLAY=:0 ./auxline /R10
run "settings without dialog program" 2 "$exchange_in" "${no_display[@]}" ./auxline
while IFS='|' read -r name make; do
  rm -f "$scratch/auxline-dialog"
  (cd "$scratch" && eval "$make")
  run "R10 with dialog program $name" 2 "$nothing_to_draw" "${no_display[@]}" ./auxline /R10
  run "settings with dialog program $name" 2 "$exchange_in" "${no_display[@]}" ./auxline
done <<EOF
not an executable|printf '#!/bin/sh\nexit 0\n' > auxline-dialog; chmod +x auxline-dialog
a shared object|cp auxline_qt.so auxline-dialog; chmod +x auxline-dialog
cut to 4096 bytes|head -c 4096 "$dialog_program" > auxline-dialog; chmod +x auxline-dialog
cut short of its last byte|head -c $(($(stat -c %s "$dialog_program") - 1)) "$dialog_program" > auxline-dialog; chmod +x auxline-dialog
without execute permission|cp "$dialog_program" auxline-dialog; chmod -x auxline-dialog
a dynamic copy of auxline|cp "$(dirname "$dialog_program")/auxline-memcheck" auxline-dialog
a FIFO, never waited for|mkfifo auxline-dialog
a link to it, never followed|ln -s "$dialog_program" auxline-dialog
EOF
rm -f "$scratch/auxline-dialog"
cp "$dialog_program" "$scratch/auxline-dialog"

# A run without a dialog does its work and neither starts another program nor opens the
# module or Qt, even with a display.
printf '%s' "$exchange_in" > "$scratch/JWC_TEMP.TXT"
(cd "$scratch" && DISPLAY=:0 strace -f -qq -e trace=execve,openat -o "$scratch/trace.log" ./auxline /R1)
grep -q 'auxline-dialog\|auxline_qt\|libQt' "$scratch/trace.log" && fail "/R1 started the dialog program or loaded Qt"
grep -q '^50000105 ' "$scratch/JWC_TEMP.TXT" || fail "/R1 drew no line: $(cat "$scratch/JWC_TEMP.TXT")"

[ "$failures" = 0 ] && echo "all headless loader checks passed"
exit $((failures > 0))
