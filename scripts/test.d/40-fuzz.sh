#!/usr/bin/env bash
# Short fuzzing runs: every libFuzzer target for a bounded time under AddressSanitizer and
# UndefinedBehaviorSanitizer, starting from the seed corpus. Any crash, sanitizer report or
# failed invariant fails the stage and prints the input that caused it.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${AUXLINE_FUZZ_BUILD:-build-fuzz}
seconds=${AUXLINE_FUZZ_SECONDS:-60}

mkdir -p "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1" \
  -DAUXLINE_FUZZ=ON -DAUXLINE_SANITIZE=ON -DAUXLINE_TESTS=OFF -DAUXLINE_BENCH=OFF \
  -DAUXLINE_QT=OFF > "$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j2 --target numbers_fuzzer exchange_fuzzer

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. tests/support/cases.sh
for target in numbers exchange; do
  mkdir -p "$work/$target"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$work/$target-")
  if [ "$target" = exchange ]; then options+=(-dict=fuzz/exchange.dict -max_len=8192); fi
  if [ "$target" = numbers ]; then options+=(-max_len=64); fi
  log="$work/$target.log"
  if "$build/fuzz/${target}_fuzzer" "${options[@]}" "$work/$target" "fuzz/corpus/$target" > "$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    case_passed "fuzz $target: ${runs:-?} executions in ${seconds}s, no failure"
  else
    case_failed "fuzz $target"
    grep -v -E '^#[0-9]+' "$log" | tail -60
    for artifact in "$work/$target"-*; do
      [ -e "$artifact" ] || continue
      echo "input that failed (base64):"
      base64 -w0 "$artifact"
      echo
    done
  fi
done
echo "fuzzing: ${SECONDS} s"
cases_done "fuzz targets"
