#!/usr/bin/env bash
# Every Windows test under Wine, in a prefix from wine_prefix.sh on an X display (xvfb-run):
# the 32-bit build's (the program users get) at 96 dpi, its window and dialog again at 144 and
# 192 dpi, and the core suites of the 64-bit build where one is given.
#   bash tests/win32/run_under_wine.sh WINDOWS_BUILD_DIR LINUX_AUXLINE [WINDOWS64_BUILD_DIR]
set -uo pipefail
build="$1"
linux_exe="$2"
build64="${3:-}"
export WINEDEBUG=-all
here="$(dirname "$0")"
failures=0
step() {  # NAME COMMAND...
  local name="$1" started=$SECONDS outcome=ok
  shift
  "$@" || outcome=FAILED failures=$((failures + 1))
  echo "== $name: $outcome ($((SECONDS - started)) s)"
}
bash "$here/wine_dpi.sh" 96
wineserver -p  # one server for the runs at one dpi
for suite in numeric os exchange tool; do
  step "$suite tests (32-bit)" wine "$build/tests/${suite}_tests.exe" --gtest_brief=1
  [ -z "$build64" ] || step "$suite tests (64-bit)" wine "$build64/tests/${suite}_tests.exe" --gtest_brief=1
done
step "window tests" wine "$build/tests/win32/win32_tests.exe" --gtest_brief=1
step "no window without a dialog" bash "$here/no_window_check.sh" "$build"
step "dialog cases" bash "$here/dialog_cases.sh" "$build"
step "Linux and Windows outputs" bash "$here/compare_with_linux.sh" "$linux_exe" "$build/platform/win32/auxline.exe"
step "held files and short paths" bash "$here/held_file_cases.sh" "$build"
for dpi in 144 192; do
  bash "$here/wine_dpi.sh" "$dpi"
  wineserver -p
  step "window at $dpi dpi" wine "$build/tests/win32/win32_tests.exe" --gtest_brief=1 --gtest_filter='*Dpi*'
  step "dialog cases at $dpi dpi" bash "$here/dialog_cases.sh" "$build" "$dpi"
done
bash "$here/wine_dpi.sh" 96
wineserver -k
[ "$failures" -eq 0 ]
