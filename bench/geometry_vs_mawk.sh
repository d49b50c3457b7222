#!/usr/bin/env bash
# A whole "/R5" run on a large exchange file against mawk on the same file: two million
# entity lines (bare lines, circles and points, every real with six decimals, about
# 102 MiB) that the tool reads completely before it draws. mawk splits every line and adds
# up its first four fields, about the least work that looks at every number. Medians of
# interleaved runs of wall, user and system time, the tool's peak memory, and the ratio.
#
#   bash bench/geometry_vs_mawk.sh [runs]         (default: 7)
#   BUILD_DIR=build-x bash bench/geometry_vs_mawk.sh
#   OTHER_EXE=path/to/auxline bash bench/geometry_vs_mawk.sh   (another build in the same
#                                                 runs, interleaved, such as an older one)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-7}"
build="${BUILD_DIR:-build}"

bash scripts/ensure-build.sh "$build" auxline reader_bench
for tool in mawk /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/packages.txt)" >&2; exit 2; }
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
tools=(tool)
mkdir "$scratch/tool"
cp "$build/platform/linux/auxline" "$scratch/tool/"
if [ -n "${OTHER_EXE:-}" ]; then
  tools+=(other)
  mkdir "$scratch/other"
  cp "$OTHER_EXE" "$scratch/other/auxline"
fi
"$build/bench/reader_bench" --generate "$scratch/input" 200 geometry 2000000 >/dev/null
cp examples/auxline.dat "$scratch/settings"

# One line per run: wall, user, system seconds and peak resident kilobytes.
timed() { /usr/bin/time -f '%e %U %S %M' -a -o "$1" "${@:2}" >/dev/null; }
for ((i = 0; i < runs; ++i)); do
  for who in "${tools[@]}"; do
    cp "$scratch/input" "$scratch/$who/JWC_TEMP.TXT"
    cp "$scratch/settings" "$scratch/$who/auxline.dat"
    timed "$scratch/$who.times" "$scratch/$who/auxline" /R5
  done
  timed "$scratch/mawk.times" mawk '{ s += $1 + $2 + $3 + $4 } END { printf "%.6f\n", s }' "$scratch/input"
done
for who in "${tools[@]}"; do
  head -c 200 "$scratch/$who/JWC_TEMP.TXT" | grep -q . || { echo "$who wrote nothing" >&2; exit 1; }
done

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) CPUs"
echo "file: $(wc -l < "$scratch/input") lines, $(stat -c %s "$scratch/input") bytes, $runs runs each, interleaved"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column_median() { awk -v c="$2" '{ print $c }' "$1" | median; }
for who in "${tools[@]}" mawk; do
  printf '%-8s wall %6.3f s  user %6.3f s  system %6.3f s  peak %6.1f MiB\n' "$who" \
    "$(column_median "$scratch/$who.times" 1)" "$(column_median "$scratch/$who.times" 2)" \
    "$(column_median "$scratch/$who.times" 3)" \
    "$(awk '{ print $4 / 1024 }' "$scratch/$who.times" | median)"
done
for who in "${tools[@]}"; do
  awk -v who="$who" -v tw="$(column_median "$scratch/$who.times" 1)" -v mw="$(column_median "$scratch/mawk.times" 1)" \
      -v tc="$(awk '{ print $2 + $3 }' "$scratch/$who.times" | median)" \
      -v mc="$(awk '{ print $2 + $3 }' "$scratch/mawk.times" | median)" \
      -v peak="$(column_median "$scratch/$who.times" 4)" -v bytes="$(stat -c %s "$scratch/input")" 'BEGIN {
    printf "%s /R5 / mawk: wall %.2f, CPU %.2f (target <= 0.15); peak memory %.2f x the file (target <= 1.5)\n",
           who, tw / mw, tc / mc, peak * 1024 / bytes
  }'
done
