# Sourced by a shell test to count its cases: check LABEL COMMAND... passes when COMMAND succeeds
# (else prints "FAIL LABEL"); case_passed [NAME], case_failed WHY; case_number is the next case's;
# cases_done TITLE prints "TITLE: N passed, N failed" and fails when a case did.
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
