#!/usr/bin/env bash
# Peak memory of reading generated exchange files, against the file's size.
#
#   bench/reader_memory.sh [BUILD_DIR] [MEGABYTES]
#
# Two cases, each generated with reader_bench --generate and read once with reader_bench
# --read under /usr/bin/time -v: the mixed file of the reader benchmarks (MEGABYTES, 100 by
# default; limit 2.5 times the file) and a text-heavy file of 50 MB of short texts, "ch x y
# 3 0" and eight Shift-JIS bytes (limit 3 times the file). Prints the file size, the maximum
# resident set size and their ratio for each. Exits 1 when a ratio reaches its limit.
# OTHER_BENCH=path/to/reader_bench reads the same files with another build as well (such as
# an older one), for comparison; only this build's ratios decide the exit status.
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
status=0

# report LABEL LIMIT: the figures of the last read; false when the ratio reaches LIMIT.
report() {
  local file_bytes peak_kb elapsed user system
  file_bytes=$(stat -c %s "$file")
  peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
  elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$work/time.txt")
  user=$(awk -F': ' '/User time/ { print $2 }' "$work/time.txt")
  system=$(awk -F': ' '/System time/ { print $2 }' "$work/time.txt")
  awk -v label="$1" -v bytes="$file_bytes" -v kb="$peak_kb" -v elapsed="$elapsed" -v user="$user" \
      -v sys="$system" -v limit="$2" 'BEGIN {
    ratio = kb * 1024 / bytes
    printf "%s: file %.1f MB, peak RSS %.1f MB, ratio %.2f (limit %s)\n", label, bytes / 1048576, kb / 1024, ratio, limit
    printf "%s: wall %s, user %s s, system %s s, %.0f MB/s on CPU time\n", label, elapsed, user, sys, bytes / 1048576 / (user + sys)
    exit ratio < limit ? 0 : 1
  }'
}

# measure SHAPE MEGABYTES LIMIT
measure() {
  local shape="$1" mb="$2" limit="$3"
  echo "== $shape, $mb MB"
  "$bench" --generate "$file" "$mb" "$shape"
  local reader label
  for reader in "$bench" ${OTHER_BENCH:+"$OTHER_BENCH"}; do
    label=this
    [ "$reader" = "$bench" ] || label=other
    /usr/bin/time -v "$reader" --read "$file" 2> "$work/time.txt"
    report "$label" "$limit" || { [ "$label" = other ] || status=1; }
  done
  rm -f "$file"
}

measure mixed "$megabytes" 2.5
measure texts 50 3
exit "$status"
