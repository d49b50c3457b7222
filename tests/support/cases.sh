# Counts a shell test's cases: check LABEL COMMAND... passes if COMMAND succeeds (else prints
# "FAIL LABEL"); case_passed [NAME]; case_failed WHY; case_number; cases_done TITLE (fails if any).
cases_passed=0
cases_failed=0
case_passed() {
  cases_passed=$((cases_passed + 1))
  [ $# -eq 0 ] || echo "  ok    $*"
}
case_failed() {
  cases_failed=$((cases_failed + 1))
  echo "  FAIL  $*"
}
check() { if "${@:2}"; then case_passed; else case_failed "$1"; fi; }
case_number() { echo $((cases_passed + cases_failed + 1)); }
cases_done() {
  echo "$1: $cases_passed passed, $cases_failed failed"
  [ "$cases_failed" -eq 0 ]
}
