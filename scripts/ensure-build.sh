#!/usr/bin/env bash
# Makes sure the build directory exists and the given targets are built, installing what is
# missing first. Usage: scripts/ensure-build.sh <build dir> [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
shift
if [ ! -f "$build/build.ninja" ]; then
  bash scripts/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" "${targets[@]}" >/dev/null
