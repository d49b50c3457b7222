#!/usr/bin/env bash
# Without the toolkit: a dialog run that cannot show its window ends at once with status 2, the
# exchange file holding "hq" after "/R10" and untouched without arguments; other runs load nothing.
# Usage: headless_loader_test.sh <auxline> <auxline_qt.so>  (auxline-dialog beside auxline)
set -u
auxline=$1
module=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
dialog_program=$(cd "$(dirname "$auxline")" && pwd)/auxline-dialog
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Static yet position-independent (no program interpreter, type DYN); only the module has Qt.
readelf -lW "$auxline" | grep -q 'INTERP' && fail "auxline is not a static program"
readelf -hW "$auxline" | grep -q 'Type: *DYN' || fail "auxline is not position-independent"
ldd "$dialog_program" | grep -i 'libQt' && fail "auxline-dialog links Qt (above)"
# No run path: in a shared tool folder another user could put libraries there.
for program in "$auxline" "$dialog_program" "$module"; do
  readelf -dW "$program" | grep -qE 'R(UN)?PATH' && fail "$(basename "$program") has a run path"
done

crlf() { printf '%s\r\n' "$@"; }
exchange_in=$(crlf 'hk 10' 'lg2' 'ly5' 'hp1 100 200' 'hp2 110 200')
nothing_to_draw=$(crlf hq)
no_display=(-u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM)

log_lines() { { wc -l <"$scratch/auxline.log"; } 2>/dev/null || echo 0; }

# run <case name> <expected status> <expected exchange file, - for any> <env and args ...>
run() {
  local name=$1 status=$2 expected=$3 actual=0 logged
  shift 3
  printf '%s' "$exchange_in" > "$scratch/JWC_TEMP.TXT"
  logged=$(log_lines)
  (cd "$scratch" && timeout 20 env "${no_display[@]}" "$@") > "$scratch/out" 2>&1 || actual=$?
  [ "$actual" = "$status" ] || fail "$name: status $actual, expected $status"
  # One line in the log for every failed run, by whichever program failed.
  logged=$(($(log_lines) - logged))
  [ "$logged" = $((actual == 1 || actual == 2)) ] || fail "$name: $logged lines logged"
  [ -s "$scratch/out" ] && fail "$name: printed: $(head -c 300 "$scratch/out")"
  [ "$expected" = - ] || [ "$(cat "$scratch/JWC_TEMP.TXT")" = "$expected" ] ||
    fail "$name: exchange file: $(od -c "$scratch/JWC_TEMP.TXT" | head -5)"
}

cp "$auxline" "$dialog_program" "$scratch/"
run "R10 without module" 2 "$nothing_to_draw" DISPLAY=:0 ./auxline /R10
run "settings without module" 2 "$exchange_in" ./auxline
printf 'not a shared object' > "$scratch/auxline_qt.so"
run "R10 with broken module" 2 "$nothing_to_draw" ./auxline /R10
# The variable that once marked the dialog program's start cannot skip the takeover.
run "R10 with the host's AUXLINE_STARTED_BY" 2 "$nothing_to_draw" \
  AUXLINE_STARTED_BY="$scratch/auxline" ./auxline /R10

# A module cut short (an unfinished copy) is a missing one: the loader would die of SIGBUS.
rm -f "$scratch/auxline_qt.so"
run "R10 without module, for reference" 2 - ./auxline /R10
without_module=$(cat "$scratch/JWC_TEMP.TXT")
for size in 1024 8192 40000 80000 $(($(stat -c %s "$module") - 1)); do
  head -c "$size" "$module" > "$scratch/auxline_qt.so"
  run "R10 with module cut to $size bytes" 2 "$without_module" ./auxline /R10
done
run "settings with module cut short" 2 "$exchange_in" ./auxline
(cd "$scratch" && timeout 20 env "${no_display[@]}" LD_DEBUG=files ./auxline /R10) > "$scratch/ld.log" 2>&1
grep -q 'auxline_qt' "$scratch/ld.log" && fail "a module short of its last byte was loaded"

# The real module, but nowhere to show the window.
cp "$module" "$scratch/auxline_qt.so"
run "R10 without display" 2 "$nothing_to_draw" ./auxline /R10
run "R10 with unreachable X display" 2 "$nothing_to_draw" DISPLAY=:97531 ./auxline /R10
run "R10 with xcb requested but no display" 2 "$nothing_to_draw" QT_QPA_PLATFORM=xcb ./auxline /R10
run "R10 with a platform that does not exist" 2 "$nothing_to_draw" QT_QPA_PLATFORM=nosuchplatform ./auxline /R10

# No dialog program that may be started (a damaged one never is): "/R10" took the file over.
rm "$scratch/auxline-dialog"
run "R10 without dialog program" 2 "$nothing_to_draw" DISPLAY=:0 ./auxline /R10
run "settings without dialog program" 2 "$exchange_in" ./auxline
while IFS='|' read -r name make; do
  rm -f "$scratch/auxline-dialog"
  (cd "$scratch" && eval "$make")
  run "R10 with dialog program $name" 2 "$nothing_to_draw" ./auxline /R10
  run "settings with dialog program $name" 2 "$exchange_in" ./auxline
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
cp --remove-destination "$dialog_program" "$scratch/auxline-dialog"

# A run without a dialog starts no other program and opens neither module nor Qt.
printf '%s' "$exchange_in" > "$scratch/JWC_TEMP.TXT"
(cd "$scratch" && DISPLAY=:0 strace -f -qq -e trace=execve,openat -o "$scratch/trace.log" ./auxline /R1)
grep -q 'auxline-dialog\|auxline_qt\|libQt' "$scratch/trace.log" && fail "/R1 started the dialog program or loaded Qt"
grep -q '^50000105 ' "$scratch/JWC_TEMP.TXT" || fail "/R1 drew no line: $(cat "$scratch/JWC_TEMP.TXT")"

# The dialog program gets the host's environment without the loader's variables, and ends
# with a killed auxline: copies of env and of cat (reading a FIFO held open) stand in for it.
cp --remove-destination "$(command -v env)" "$scratch/auxline-dialog"
(cd "$scratch" && LD_PRELOAD=/none.so LD_AUDIT=/none.so LD_LIBRARY_PATH=: LD_BIND_NOW=1 \
  GCONV_PATH=/none DISPLAY=:7 XMODIFIERS=@im=ibus OLD_LD_PRELOAD=1 ./auxline) >"$scratch/env" 2>/dev/null
grep -E '^(LD_|GCONV_PATH=)' "$scratch/env" && fail "the loader's variables reached the dialog program (above)"
for kept in DISPLAY=:7 XMODIFIERS=@im=ibus OLD_LD_PRELOAD=1; do
  grep -qx "$kept" "$scratch/env" || fail "$kept did not reach the dialog program"
done
cp --remove-destination "$(command -v cat)" "$scratch/auxline-dialog"
mkfifo "$scratch/in"
(cd "$scratch" && exec ./auxline <in) &
tool_pid=$!
exec 3>"$scratch/in"
for _ in $(seq 300); do  # until the stand-in runs, not only auxline's child before it
  dialog_pid=$(pgrep -P "$tool_pid")
  [[ $(readlink "/proc/$dialog_pid/exe") == */auxline-dialog ]] && break
  sleep 0.1
done
kill -KILL "$tool_pid"
wait "$tool_pid" 2>/dev/null
running() { [ -n "$1" ] && grep -q '^[^)]*) [^Z]' "/proc/$1/stat" 2>/dev/null; }
for _ in $(seq 300); do running "$dialog_pid" || break; sleep 0.1; done
running "$dialog_pid" && fail "the dialog program outlived auxline"
[ -n "$dialog_pid" ] || fail "the dialog program's stand-in never started"
exec 3>&-

[ "$failures" = 0 ] && echo "all headless loader checks passed"
exit $((failures > 0))
