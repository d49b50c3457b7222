#!/usr/bin/env bash
# The pictures of the constructions in docs/modes are what the tool draws today: they are
# made again from real runs (scripts/mode-pictures.sh) and compared byte for byte, so a
# change of a construction, or of an example, that was not drawn again fails here.
set -euo pipefail
cd "$(dirname "$0")/../.."
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
BUILD_DIR="${AUXLINE_BUILD:-build}" bash scripts/mode-pictures.sh "$fresh/modes" > /dev/null
if ! diff -r docs/modes "$fresh/modes"; then
  echo "docs/modes differs from what the tool draws: run scripts/mode-pictures.sh docs/modes"
  exit 1
fi
echo "pictures: $(ls docs/modes | wc -l) match the runs (${SECONDS} s)"
