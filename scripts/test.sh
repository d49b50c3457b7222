#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then the extra test stages.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
python3 scripts/check-function-length.py
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
ctest --test-dir build --output-on-failure -j2
for stage in scripts/test.d/*.sh; do
  [ -e "$stage" ] || continue
  echo "== stage ${stage##*/}"
  bash "$stage"
done
