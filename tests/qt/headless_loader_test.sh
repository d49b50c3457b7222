#!/usr/bin/env bash
# The executable without the toolkit: auxline links no Qt, a run without a dialog never
# loads the dialog module, and a dialog run whose window cannot be created (module missing
# or broken, no display) ends at once with status 2 instead of aborting, having written the
# attribute block as if the window had been closed.
# Usage: headless_loader_test.sh <auxline> <auxline_qt.so>
set -u
auxline=$1
module=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if ldd "$auxline" | grep -qi 'libQt'; then
  fail "auxline links Qt:"; ldd "$auxline" | grep -i qt
fi

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

cp "$auxline" "$scratch/auxline"
# No module beside the executable.
run "R10 without module" 2 "$attribute_block" "${no_display[@]}" DISPLAY=:0 ./auxline /R10
run "settings without module" 2 "$exchange_in" "${no_display[@]}" ./auxline

# A module that cannot be loaded.
printf 'not a shared object' > "$scratch/auxline_qt.so"
run "R10 with broken module" 2 "$attribute_block" "${no_display[@]}" ./auxline /R10

# A module cut short (a copy or an update that did not finish) is a missing one: never
# handed to the loader, which dies of SIGBUS on one cut inside its loaded segments, and the
# files end as the run without a module leaves them.
rm "$scratch/auxline_qt.so"
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

# A run without a dialog does its work and never opens the module, even with a display.
printf '%s' "$exchange_in" > "$scratch/JWC_TEMP.TXT"
(cd "$scratch" && LD_DEBUG=files DISPLAY=:0 ./auxline /R1) > "$scratch/ld.log" 2>&1
grep -q 'auxline_qt\|libQt' "$scratch/ld.log" && fail "/R1 loaded the dialog module or Qt"
grep -q '^50000105 ' "$scratch/JWC_TEMP.TXT" || fail "/R1 drew no line: $(cat "$scratch/JWC_TEMP.TXT")"

[ "$failures" = 0 ] && echo "all headless loader checks passed"
exit $((failures > 0))
