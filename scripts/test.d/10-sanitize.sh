#!/usr/bin/env bash
# The whole test suite once more, built with AddressSanitizer and UndefinedBehaviorSanitizer
# (the Qt dialog module stays out: the toolkit is not built for the sanitizers), then the
# real executable under valgrind's memcheck for every mode. Unoptimised (-O0): it compiles
# in half the time, and the suite runs in seconds either way.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${AUXLINE_ASAN_BUILD:-build-asan}

mkdir -p "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O0 -g1" -DAUXLINE_SANITIZE=ON \
  -DAUXLINE_QT=OFF -DAUXLINE_BENCH=OFF > "$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build" --output-on-failure -j2

bash tests/faults/valgrind_runs.sh "${AUXLINE_BUILD:-build}/platform/linux/auxline"
echo "sanitizers and valgrind: ${SECONDS} s"
