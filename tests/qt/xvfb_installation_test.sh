#!/usr/bin/env bash
# An ordinary user's "/R10" from a sticky tool folder: plugins, a qt.conf and variables another
# user planted are never looked at (traced); killed by the host, the dialog ends with it.
# Usage: xvfb_installation_test.sh <auxline> <auxline_qt.so>  (auxline-dialog beside auxline)
set -u
# shellcheck source=xvfb_session.sh
. "$(dirname "$0")/xvfb_session.sh"
if [ "$(id -u)" != 0 ]; then echo "SKIP: making an ordinary user needs root"; exit 77; fi
start_xvfb xdotool setpriv strace useradd
user() {  # --reuid/--regid options for an ordinary user of that name, made when missing
  id -u "$1" >/dev/null 2>&1 || useradd --system --user-group --no-create-home "$1" >/dev/null 2>&1
  echo "--reuid=$(id -u "$1") --regid=$(id -g "$1") --clear-groups"
}
runner=$(user auxline-user)
other=$(user auxline-other)
tool_folder "$1" "$2"
tool=$scratch
home=$(mktemp -d)
session_dirs+=("$home")
chmod 1777 "$tool" "$home"
# A real plugin under the names the desktop's keys pick; any folder looked at shows in the trace.
plugin=$(find /usr/lib -path '*/qt6/plugins/platforms/libqxcb.so' | head -1)
# shellcheck disable=SC2086
for planted in platformthemes/libqgtk3.so platforminputcontexts/libfcitxplatforminputcontextplugin.so; do
  setpriv $other mkdir "$tool/${planted%/*}" && setpriv $other cp "$plugin" "$tool/$planted"
done
# shellcheck disable=SC2086
printf '[Paths]\nPlugins=%s\n' "$tool" | setpriv $other tee "$tool/qt.conf" >/dev/null
# A UTF-8 locale: xdotool finds the caption by the title the toolkit writes in its encoding.
# shellcheck disable=SC2086
as_runner=(setpriv $runner env -i "HOME=$home" "DISPLAY=$DISPLAY" LANG=C.UTF-8
  XDG_CURRENT_DESKTOP=GNOME QT_IM_MODULE=fcitx "QT_PLUGIN_PATH=$tool"
  "QT_QPA_PLATFORM_PLUGIN_PATH=$tool/platforms" ./auxline /R10)
# dialog_run [command prefix...]: starts "/R10" as the runner; tool_pid, window
dialog_run() {
  # shellcheck disable=SC2086
  printf 'hk 10\r\nlg2\r\nly5\r\n' | setpriv $runner tee "$tool/JWC_TEMP.TXT" >/dev/null
  (cd "$tool" && exec "$@" "${as_runner[@]}") &
  tool_pid=$!
  window=$(wait_for_window "補助線の作図" "$tool_pid")
  [ -n "$window" ] || fail "no dialog within 30 s"
}

dialog_run strace -f -qq -e trace=%file -o "$home/trace.log"
[ -n "$window" ] && xdotool windowfocus --sync "$window" key Escape
wait_until_ended "$tool_pid" || { fail "still open"; kill "$tool_pid"; }
wait "$tool_pid"
planted=$(grep -oE "\"$tool/(platform|styles|image|icon|plugins|qt6?\.conf)[^\"]*\"" "$home/trace.log")
[ -z "$planted" ] || fail "looked at what another user planted: $(echo "$planted" | sort -u)"

dialog_run
dialog_pid=$(pgrep -P "$tool_pid" | head -1)
kill -KILL "$tool_pid"
wait "$tool_pid" 2>/dev/null
if [ -n "$dialog_pid" ] && ! wait_until_ended "$dialog_pid"; then
  fail "the dialog program outlived auxline"
  kill -KILL "$dialog_pid"
fi
[ "$(cat "$tool/JWC_TEMP.TXT")" = "$(printf 'hq\r\n')" ] || fail "exchange file: $(cat -A "$tool/JWC_TEMP.TXT")"
finish "planted plugins and qt.conf never looked at; the dialog ends with auxline"
