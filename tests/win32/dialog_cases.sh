#!/usr/bin/env bash
# auxline.exe's dialog operated from outside under Wine (dialog_driver.exe: boxes, lists, real
# key-downs and key-ups), then the exchange and settings files compared byte for byte and the
# window's report checked. Above 96 dpi (wine_dpi.sh) only the cases marked "at every dpi" run.
#   WINEPREFIX=... DISPLAY=... bash tests/win32/dialog_cases.sh BUILD_DIR [DPI]
set -uo pipefail
build="$(cd "$1" && pwd)"
exe="$build/platform/win32/auxline.exe"
driver="$build/tests/win32/dialog_driver.exe"
dpi="${2:-96}"
client="$(((272 * dpi + 48) / 96)) $(((187 * dpi + 48) / 96))"  # 272 x 187 at 96 dpi, halves up
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# shellcheck source=tests/support/cases.sh
. "$(dirname "$0")/../support/cases.sh"

crlf() { [ $# -eq 0 ] || printf '%s\r\n' "$@"; }

# The host: angle 30 (10 in the keyboard cases), layer group 2, layer 5, colour 3, line
# type 2, width 4, two points.
host=("hk 30" "lg2" "ly5" "lc3" "lt2" "lw4" "hp1 100 200" "hp2 400 600")
attribute_block=("lg2" "ly5" "lc9" "lt2" "lw4")

# start NAME [SETTINGS LINES...]: a fresh tool folder with the host's file and, if given,
# a settings file; ends the case before. Above 96 dpi only cases named "at every dpi" run.
start() {
  [ -z "${case_name:-}" ] || finish
  case_name="$1"
  shift
  skipping=""
  [ "$dpi" = 96 ] || [[ "$case_name" == *"at every dpi"* ]] || { skipping=yes; return 0; }
  started=$((${started:-0} + 1))
  case_dir="$scratch/補助線の作図 $(case_number)"
  mkdir -p "$case_dir"
  cp "$exe" "$case_dir/auxline.exe"
  crlf "${host[@]}" > "$case_dir/JWC_TEMP.TXT"
  [ $# -eq 0 ] || crlf "$@" > "$case_dir/auxline.dat"
  problems=""
}

drive() {  # ARGUMENTS... -- ACTIONS...: the driver in the tool's folder
  [ -z "$skipping" ] || return 0
  (cd "$case_dir" && timeout 120 wine "$driver" auxline.exe "$@") > "$case_dir/report.txt" 2>/dev/null
  [ $? -eq 0 ] || problems+=" driver($(grep -m1 FAIL "$case_dir/report.txt"))"
}

expect_file() {  # NAME LINES... (no lines: the file must not exist)
  [ -z "$skipping" ] || return 0
  local name="$1"
  shift
  if [ $# -eq 0 ]; then
    [ ! -e "$case_dir/$name" ] || problems+=" $name-exists"
  elif ! cmp -s <(crlf "$@") "$case_dir/$name"; then
    problems+=" $name"
    diff <(crlf "$@" | cat -A) <(cat -A "$case_dir/$name") | sed 's/^/      /' >&2
  fi
}

expect_report() {  # LINES the driver's report must hold
  [ -z "$skipping" ] || return 0
  local line
  for line in "$@"; do
    grep -qxF -- "$line" "$case_dir/report.txt" || problems+=" report[$line]"
  done
}

finish() {
  [ -z "$skipping" ] || return 0
  if [ -z "$problems" ]; then case_passed "$case_name"; else case_failed "$case_name:$problems"; fi
}

start "/R10: the dialog as it opens; typed values, Tab, Enter (at every dpi)"
drive /R10 -- report type 12.5 key tab type 0.5 key tab type -30 key enter
expect_report "caption 補助線の作図" "application q417－補助線の作図" "client $client" \
  "frame caption sysmenu minimize" "placement centred on the cursor" "page 1" "focus EditA1" \
  "default button Button1" 'LabelA1 shown "半　径"' 'LabelA3 shown "傾き角度[°]"' \
  'EditA1 shown "100"' 'EditA2 shown "1"' 'EditA3 shown "0"' \
  'ComboBox1 count 17 selected 0 text "現在ﾚｲﾔｸﾞﾙｰﾌﾟ"' 'ComboBox3 count 51 selected 0 text "現在線種"' \
  'ComboBox4 count 13 selected -1 text ""' "exit 0"
expect_file JWC_TEMP.TXT "${attribute_block[@]}" "ci 100 200 12.5 0 0 0.5 360"
expect_file auxline.dat -1 -1 0 -1 12.5 0.5 330

start "/R10: ratio 0 refuses OK and keeps the dialog; then Esc"
drive /R10 -- set EditA2 0 click Button1 expect-open key escape
expect_report "exit 0"
expect_file JWC_TEMP.TXT "${attribute_block[@]}"
expect_file auxline.dat

start "/R10: settings changed, then the close box" -1 -1 0 -1 100 1 0
drive /R10 -- key alt+2 select ComboBox1 3 close
expect_file JWC_TEMP.TXT "${attribute_block[@]}"
expect_file auxline.dat -1 -1 0 -1 100 1 0

start "/R10: stored layer group 3, ratio 1 gives a circle, Alt+Y, restore block" 3 -1 0 -1 50 1 0
drive /R10 -- report key alt+y
expect_report 'ComboBox1 count 17 selected 4 text "ﾚｲﾔｸﾞﾙｰﾌﾟ[3]"' 'EditA1 shown "50"'
expect_file JWC_TEMP.TXT lg3 ly5 lc9 lt2 lw4 "ci 100 200 50" lg2
expect_file auxline.dat 3 -1 0 -1 50 1 0

start "Settings dialog: as it opens; new choices, OK clicked"
drive -- report select ComboBox1 4 select ComboBox3 19 set ComboBox4 25 click Button1
expect_report "page 2" "focus ComboBox1" 'LabelA1 hidden "LabelA1"' 'EditA1 hidden "EditA1"' \
  'ComboBox2 count 17 selected 0 text "現在レイヤ"' 'ComboBox4 count 13 selected -1 text ""' "exit 0"
expect_file JWC_TEMP.TXT "${host[@]}"  # unchanged
expect_file auxline.dat 3 -1 19 25 100 1 0

start "Settings dialog: values outside the lists, Alt+N saves nothing" 99 -1 0 7 100 1 0
drive -- report key alt+n
expect_report 'ComboBox1 count 17 selected -1 text ""' 'ComboBox4 count 13 selected -1 text "7"'
expect_file JWC_TEMP.TXT "${host[@]}"  # unchanged
expect_file auxline.dat 99 -1 0 7 100 1 0

start "Settings dialog: the empty line width and Enter store -1" -1 -1 0 25 100 1 0
drive -- report select ComboBox4 0 key enter
expect_report 'ComboBox4 count 13 selected -1 text "25"'
expect_file auxline.dat -1 -1 0 -1 100 1 0

# The drawing tab has no control that takes the focus, so it goes to OK, and back to the
# first list with Alt+2; from there Tab runs the lists, OK, Cancel, the lists again.
start "Settings dialog: Alt+1 shows the empty drawing tab, Alt+2 the first list, Tab order, Esc (at every dpi)"
drive -- key alt+1 report key alt+2 report key tab*7 report key escape
expect_report "page 1" "focus Button1" "page 2" "focus ComboBox1" "focus ComboBox2"
expect_file auxline.dat

# Access keys typed as a person does, Alt let go first: the keys after them reach the focused
# control, not the window menu, whether the window stays open or not.
host=("hk 10" "lg2" "ly5" "lc3" "lt2" "lw4" "hp1 100 200" "hp2 400 600")

start "/R10: Alt+2, Down x4, Tab, Down x9, Enter: circle, layer group 3 and layer 8 saved"
drive /R10 -- key alt+2 key down*4 key tab key down*9 key enter
expect_file JWC_TEMP.TXT "${attribute_block[@]}" "ci 100 200 100"
expect_file auxline.dat 3 8 0 -1 100 1 0

start "/R10: Alt+2, Down x3, Enter: circle, layer group 2 saved"
drive /R10 -- key alt+2 key down*3 key enter
expect_file JWC_TEMP.TXT "${attribute_block[@]}" "ci 100 200 100"
expect_file auxline.dat 2 -1 0 -1 100 1 0

start "/R10: Tab, ratio 0, Alt+Y refused, ratio 0.5, Enter: the corrected ellipse"
drive /R10 -- key tab type 0 key alt+y expect-open key backspace type 0.5 key enter
expect_file JWC_TEMP.TXT "${attribute_block[@]}" "ci 100 200 100 0 0 0.5 10"
expect_file auxline.dat -1 -1 0 -1 100 0.5 0

start "Settings dialog: Alt+1, Alt+2, Down, Enter: layer group 0 saved"
drive -- key alt+1 key alt+2 key down key enter
expect_file JWC_TEMP.TXT "${host[@]}"  # unchanged
expect_file auxline.dat 0 -1 0 -1 100 1 0

start "/R10: a lone Alt opens the menu bar, Esc leaves it, the dialog still takes keys"
drive /R10 -- key alt expect-menu bar key escape expect-menu none expect-open key tab type 0.5 key enter
expect_file JWC_TEMP.TXT "${attribute_block[@]}" "ci 100 200 100 0 0 0.5 10"
expect_file auxline.dat -1 -1 0 -1 100 0.5 0

start "/R10: Alt+Space opens the window menu; Esc twice leaves it, Alt+N cancels"
drive /R10 -- key alt+space expect-menu popup key escape key escape expect-menu none key alt+n
expect_file JWC_TEMP.TXT "${attribute_block[@]}"
expect_file auxline.dat

# The page keys from every control: the focus lands as the pages' access keys put it, and no
# choice or text changes (stored mid-list, so a key reaching a list would move it either way):
# Enter saves the stored settings as they were (from Cancel, Enter cancels).
stored=(3 4 5 25 12.5 0.5 330)
# control | keys that bring the focus there | focus after a page key
page_key_rows=(
  "EditA1||ComboBox1" "EditA2|key tab|ComboBox1" "EditA3|key tab*2|ComboBox1"
  "Button1|key tab*3|Button1" "Button2|key tab*4|Button2"
  "ComboBox1|key alt+2|EditA1" "ComboBox2|key alt+2 key tab|EditA1"
  "ComboBox3|key alt+2 key tab*2|EditA1" "ComboBox4|key alt+2 key tab*3|EditA1"
)
for key in ctrl+tab ctrl+pagedown ctrl+shift+tab ctrl+pageup; do
  for row in "${page_key_rows[@]}"; do
    IFS='|' read -r control reach focus <<< "$row"
    case "$control" in ComboBox*) page_after=1 ;; *) page_after=2 ;; esac
    start "/R10: $key from $control switches the page and changes no setting" "${stored[@]}"
    # shellcheck disable=SC2086
    drive /R10 -- $reach key "$key" report key enter
    expect_report "page $page_after" "focus $focus" 'EditA1 shown "12.5"' \
      'ComboBox1 count 17 selected 4 text "ﾚｲﾔｸﾞﾙｰﾌﾟ[3]"' 'ComboBox2 count 17 selected 5 text "レイヤ(4)"' \
      'ComboBox3 count 51 selected 5 text "線種5"' 'ComboBox4 count 13 selected -1 text "25"'
    expect_file auxline.dat "${stored[@]}"
  done
done
finish  # the last case
counted=$((cases_passed + cases_failed))
[ "$counted" -eq "$started" ] || case_failed "$started cases started, $counted counted"
cases_done "dialog cases at $dpi dpi"
