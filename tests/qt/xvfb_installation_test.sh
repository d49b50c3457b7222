#!/usr/bin/env bash
# The dialog run by an ordinary user from a tool folder that everyone may write (sticky, as
# a shared folder is), where another user put a plugin of every kind the toolkit loads by key
# (the desktop's XDG_CURRENT_DESKTOP=GNOME and QT_IM_MODULE=fcitx pick them), a qt.conf that
# sends the plugin search there, and variables naming the folder: the run never even looks
# at them (traced). Then a "/R10" whose auxline the host kills while the dialog is open: the
# dialog program ends with it, and the exchange file holds "hq" (the takeover's), for good.
# Needs root to make the users (CI runs as root), setpriv, strace, Xvfb and xdotool; skips
# (status 77) without them.
# Usage: xvfb_installation_test.sh <auxline> <auxline_qt.so>  (auxline-dialog beside auxline)
set -u
auxline=$1
module=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=xvfb_session.sh
. "$here/xvfb_session.sh"
if [ "$(id -u)" != 0 ]; then echo "SKIP: making an ordinary user needs root"; exit 77; fi
require_tools Xvfb xdotool setpriv strace useradd
start_xvfb || exit 1

status=0
fail() { echo "FAIL: $*"; status=1; }
user() {  # uid:gid of an ordinary user of that name, made when missing
  id -u "$1" >/dev/null 2>&1 ||
    useradd --system --user-group --no-create-home --shell /usr/sbin/nologin "$1" >/dev/null 2>&1
  echo "$(id -u "$1"):$(id -g "$1")"
}
as() { setpriv --reuid="${1%:*}" --regid="${1#*:}" --clear-groups -- "${@:2}"; }
runner=$(user auxline-user)
other=$(user auxline-other)

tool=$(mktemp -d)
home=$(mktemp -d)
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -rf "$tool" "$home"' EXIT
chmod 1777 "$tool"
chown "$runner" "$home"
cp "$auxline" "$(dirname "$auxline")/auxline-dialog" "$module" "$tool/"
system_plugin=$(find /usr/lib -path '*/qt6/plugins/platforms/libqxcb.so' | head -1)
for kind in platforms platformthemes platforminputcontexts styles imageformats iconengines \
  plugins/platformthemes; do
  as "$other" mkdir -p "$tool/$kind"
  for name in libqxcb libqgtk3 libqgnomeplatform libfcitxplatforminputcontextplugin; do
    as "$other" cp "$system_plugin" "$tool/$kind/$name.so"
  done
done
printf '[Paths]\nPrefix=%s\nPlugins=plugins\n' "$tool" | as "$other" tee "$tool/qt.conf" >/dev/null
desktop=(env -i "HOME=$home" "DISPLAY=$DISPLAY" LANG=C.UTF-8 XDG_CURRENT_DESKTOP=GNOME QT_IM_MODULE=fcitx
  "QT_PLUGIN_PATH=$tool" "QT_QPA_PLATFORM_PLUGIN_PATH=$tool/platforms")
exchange() { printf 'hk 10\r\nlg2\r\nly5\r\nhp1 100 200\r\n' | as "$runner" tee "$tool/JWC_TEMP.TXT" >/dev/null; }

# Traced, closed with Esc: nothing the other user planted is opened, listed or even looked up.
exchange
(cd "$tool" && exec strace -f -qq -e trace=%file -o "$home/trace.log" \
  setpriv --reuid="${runner%:*}" --regid="${runner#*:}" --clear-groups -- "${desktop[@]}" \
  ./auxline /R10) &
tool_pid=$!
window=$(wait_for_window "補助線の作図" "$tool_pid")
[ -n "$window" ] || fail "no dialog within 30 s"
[ -n "$window" ] && xdotool windowfocus --sync "$window" key Escape
wait_until_ended "$tool_pid" || { fail "still open"; kill "$tool_pid"; }
wait "$tool_pid"
planted=$(grep -oE "\"$tool/(platforms|platformthemes|platforminputcontexts|styles|imageformats|iconengines|plugins|qt6?\.conf)[^\"]*\"" \
  "$home/trace.log" | sort -u)
[ -z "$planted" ] || fail "the run looked at what another user planted: $planted"

# Killed by the host with the dialog open: the dialog program goes with it.
exchange
(cd "$tool" && exec setpriv --reuid="${runner%:*}" --regid="${runner#*:}" --clear-groups -- \
  "${desktop[@]}" ./auxline /R10) &
tool_pid=$!
window=$(wait_for_window "補助線の作図" "$tool_pid")
[ -n "$window" ] || fail "no dialog within 30 s"
dialog_pid=$(pgrep -P "$tool_pid" | head -1)
kill -KILL "$tool_pid"
wait "$tool_pid" 2>/dev/null
if [ -n "$dialog_pid" ] && ! wait_for eval "! kill -0 $dialog_pid 2>/dev/null"; then
  fail "the dialog program outlived auxline"
  kill -KILL "$dialog_pid"
fi
[ "$(cat "$tool/JWC_TEMP.TXT")" = "$(printf 'hq\r\n')" ] ||
  fail "exchange file after the kill: $(cat -A "$tool/JWC_TEMP.TXT")"
[ "$status" = 0 ] && echo "planted plugins and qt.conf never looked at; the dialog ends with a killed auxline"
exit "$status"
