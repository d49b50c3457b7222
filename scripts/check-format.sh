#!/usr/bin/env bash
# Every C and C++ file of the tree, product and tests, follows .clang-format; lists those
# that do not. Fix them with: git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format-14 -i
set -euo pipefail
cd "$(dirname "$0")/.."
format=clang-format-14
command -v "$format" > /dev/null || format=clang-format
git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 "$format" --dry-run -Werror
echo "format: every C and C++ file follows .clang-format"
