# The case count of a shell test, sourced by it: each case passes or fails through these, and
# cases_done prints "TITLE: N passed, N failed" and fails when a case did.
#   check LABEL COMMAND...   one case: passes when COMMAND succeeds, else prints "FAIL LABEL"
#   case_passed [NAME]       one case that passed ("ok NAME" printed when named)
#   case_failed WHY          one case that failed
#   case_number              the number the next case will have (for a folder of its own)
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
check() {
  local label="$1"
  shift
  if "$@"; then case_passed; else case_failed "$label"; fi
}
case_number() { echo $((cases_passed + cases_failed + 1)); }
cases_done() {
  echo "$1: $cases_passed passed, $cases_failed failed"
  [ "$cases_failed" -eq 0 ]
}
