#!/usr/bin/env bash
# Every Windows test under Wine; expects WINEPREFIX (a prefix from wine_prefix.sh) and an X
# display (xvfb-run). Runs the core test suites and the window tests built for Windows,
# the dialog driven from outside, and the Linux/Windows output comparison.
#   bash tests/win32/run_under_wine.sh WINDOWS_BUILD_DIR LINUX_AUXLINE
set -uo pipefail
build="$1"
linux_exe="$2"
export WINEDEBUG=-all
wineserver -p  # one server for all the runs below
failures=0
step() {
  local name="$1"
  shift
  local started=$SECONDS
  if "$@"; then
    echo "== $name: ok ($((SECONDS - started)) s)"
  else
    echo "== $name: FAILED ($((SECONDS - started)) s)"
    failures=$((failures + 1))
  fi
}
for suite in numeric exchange tool; do
  step "$suite tests (Windows build)" wine "$build/tests/${suite}_tests.exe" --gtest_brief=1
done
step "window tests" wine "$build/tests/win32/win32_tests.exe" --gtest_brief=1
step "no window without a dialog" bash tests/win32/no_window_check.sh "$build"
step "dialog cases" bash tests/win32/dialog_cases.sh "$build"
step "Linux and Windows outputs" bash tests/win32/compare_with_linux.sh "$linux_exe" "$build/platform/win32/auxline.exe"
wineserver -k
[ "$failures" -eq 0 ]
