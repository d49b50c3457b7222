#!/usr/bin/env bash
# Line coverage of the portable core (numeric/ and exchange/) by the whole test suite.
# Builds an instrumented tree, runs every test, and prints the lcov summary per file and in
# total; an HTML report goes to <build>/coverage-html when genhtml is present.
# Usage: scripts/coverage.sh [minimum-percent]   (fails below the minimum when given)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${AUXLINE_COVERAGE_BUILD:-build-cov}
minimum=${1:-}

command -v lcov > /dev/null || { echo "coverage: lcov is not installed (apt-get install lcov)"; exit 1; }
mkdir -p "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAUXLINE_COVERAGE=ON \
  -DAUXLINE_QT=OFF -DAUXLINE_BENCH=OFF > "$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j2
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -j2 --output-on-failure > "$build/ctest.log" 2>&1 || { tail -40 "$build/ctest.log"; exit 1; }
tail -n 3 "$build/ctest.log"

lcov --quiet --capture --directory "$build" --output-file "$build/all.info" > /dev/null 2>&1
lcov --quiet --extract "$build/all.info" "$root/numeric/*" "$root/exchange/*" \
  --output-file "$build/core.info" > /dev/null 2>&1
lcov --list "$build/core.info"
if command -v genhtml > /dev/null; then
  genhtml --quiet --output-directory "$build/coverage-html" "$build/core.info" > /dev/null 2>&1 || true
fi
percent=$(lcov --summary "$build/core.info" 2>&1 | sed -n 's/.*lines\.*: *\([0-9.]*\)%.*/\1/p')
echo "coverage: numeric/ and exchange/ lines ${percent}%"
if [ -n "$minimum" ] && awk -v p="$percent" -v m="$minimum" 'BEGIN { exit !(p < m) }'; then
  echo "coverage: below ${minimum}%"
  exit 1
fi
