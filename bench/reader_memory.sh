#!/usr/bin/env bash
# Peak memory of reading a generated exchange file, against the file's size.
#
#   bench/reader_memory.sh [BUILD_DIR] [MEGABYTES]
#
# Generates the file with reader_bench --generate, reads it once with reader_bench --read
# under /usr/bin/time -v, and prints the file size, the maximum resident set size and their
# ratio. Exits 1 when the ratio is 2.5 or more.
set -euo pipefail

build_dir="${1:-$(dirname "$0")/../build}"
megabytes="${2:-100}"
bench="$build_dir/bench/reader_bench"
if [[ ! -x "$bench" ]]; then
  echo "no reader_bench in $build_dir/bench (build the project with benchmarks first)" >&2
  exit 2
fi
if [[ ! -x /usr/bin/time ]]; then
  echo "/usr/bin/time is missing (Debian package: time)" >&2
  exit 2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
file="$work/JWC_TEMP.TXT"

"$bench" --generate "$file" "$megabytes"
/usr/bin/time -v "$bench" --read "$file" 2> "$work/time.txt"

file_bytes=$(stat -c %s "$file")
peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$work/time.txt")
user=$(awk -F': ' '/User time/ { print $2 }' "$work/time.txt")
system=$(awk -F': ' '/System time/ { print $2 }' "$work/time.txt")

awk -v bytes="$file_bytes" -v kb="$peak_kb" -v elapsed="$elapsed" -v user="$user" -v sys="$system" 'BEGIN {
  ratio = kb * 1024 / bytes
  printf "file %.1f MB, peak RSS %.1f MB, ratio %.2f (limit 2.5)\n", bytes / 1048576, kb / 1024, ratio
  printf "wall %s, user %s s, system %s s, %.0f MB/s on CPU time\n", elapsed, user, sys, bytes / 1048576 / (user + sys)
  exit ratio < 2.5 ? 0 : 1
}'
