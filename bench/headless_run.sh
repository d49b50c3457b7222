#!/usr/bin/env bash
# Wall time of a headless run against the floor of a minimal C program that reads the same
# two files and writes the same bytes. Median of many interleaved runs.
#
#   bash bench/headless_run.sh [mode] [runs]      (defaults: /R1, 500)
#   BUILD_DIR=build-x bash bench/headless_run.sh  (build directory, default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-/R1}"
runs="${2:-500}"
build="${BUILD_DIR:-build}"

bash scripts/ensure-build.sh "$build" auxline

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/tool" "$scratch/minimal"
cc -O2 -o "$scratch/minimal/minimal_io" bench/minimal_io.c
cc -O2 -o "$scratch/spawn_timer" bench/spawn_timer.c
cp "$build/platform/linux/auxline" "$scratch/tool/"

# One run of the tool gives the bytes the minimal program must write.
cp examples/JWC_TEMP.TXT "$scratch/tool/JWC_TEMP.TXT"
cp examples/auxline.dat "$scratch/tool/auxline.dat"
"$scratch/tool/auxline" "$mode"
cp "$scratch/tool/JWC_TEMP.TXT" "$scratch/out_exchange"
cp "$scratch/tool/auxline.dat" "$scratch/out_settings"

# Wall times include waiting for a CPU: on a busy machine compare the p10 figures and the
# CPU times, which the load hardly changes.
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) CPUs"
echo "exchange file: examples/JWC_TEMP.TXT ($(wc -c < examples/JWC_TEMP.TXT) bytes in, $(wc -c < "$scratch/out_exchange") bytes out)"
"$scratch/spawn_timer" "$runs" examples/JWC_TEMP.TXT examples/auxline.dat \
  "$scratch/tool" "$mode" "$scratch/minimal" "$scratch/out_exchange" "$scratch/out_settings"
