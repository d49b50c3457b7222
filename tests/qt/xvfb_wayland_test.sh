#!/usr/bin/env bash
# The dialog on a desktop where a Wayland compositor (weston, headless) runs beside an X
# server (Xvfb), as under XWayland: the window opens on X, where it can be placed at the
# pointer, unless the user asked for Wayland; with Wayland alone it still opens there.
# Skips (status 77) only where Xvfb, weston or the toolkit's Wayland plugin is missing
# outside CI.
# Usage: xvfb_wayland_test.sh <auxline> <auxline_qt.so>
set -u
auxline=$1
module=$2
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=xvfb_session.sh
. "$here/xvfb_session.sh"
require_tools Xvfb xdotool weston qtpaths6
if ! ls "$(qtpaths6 --plugin-dir)"/platforms/libqwayland-*.so >/dev/null 2>&1; then
  [ "${CI:-}" = true ] && { echo "FAIL: the Wayland platform plugin is not installed"; exit 1; }
  echo "SKIP: the Wayland platform plugin is not installed (qt6-wayland)"
  exit 77
fi
start_xvfb || exit 1
scratch=$(mktemp -d)
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=wayland-test --idle-time=0 >/dev/null 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/wayland-test" ] && break
  sleep 0.1
done
cp "$auxline" "$module" "$scratch/"
status=0

# opens_on <x|wayland> <env...>: starts "/R10" and finds its window on the X server, or
# among the requests the client sends to the compositor (WAYLAND_DEBUG).
opens_on() {
  local expected=$1 caption="補助線の作図" window="" on_wayland=no
  shift
  (cd "$scratch" && exec env "$@" WAYLAND_DEBUG=1 ./auxline /R10) 2>"$scratch/wayland.log" &
  local pid=$!
  for _ in $(seq 300); do
    # A top-level surface with the caption, and a picture of the window handed over.
    grep -q "set_title(\"$caption\")" "$scratch/wayland.log" &&
      grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$scratch/wayland.log" && { on_wayland=yes; break; }
    window=$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "$window" ]; then
    xdotool windowfocus --sync "$window" key Escape
    ended_within_10s "$pid" || kill "$pid"
  else
    kill "$pid" 2>/dev/null  # no input reaches a window on a headless compositor
  fi
  wait "$pid" 2>/dev/null
  local found=none
  [ -n "$window" ] && found=x
  [ "$on_wayland" = yes ] && found=wayland
  echo "$*: window on $found"
  [ "$found" = "$expected" ] || { echo "FAIL: expected the window on $expected"; status=1; }
}

opens_on x WAYLAND_DISPLAY=wayland-test XDG_SESSION_TYPE=wayland
opens_on wayland WAYLAND_DISPLAY=wayland-test XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
opens_on wayland -u DISPLAY WAYLAND_DISPLAY=wayland-test XDG_SESSION_TYPE=wayland
[ "$status" = 0 ] && echo "X preferred beside Wayland, Wayland alone still works"
exit "$status"
