#!/usr/bin/env bash
# Fault injection, end to end, with the real executable: broken exchange files, a read-only
# directory, a full disk, failed and killed file operations at every step of a run, and
# kills at random moments. See tests/faults/run_faults.py.
set -euo pipefail
cd "$(dirname "$0")/../.."
python3 tests/faults/run_faults.py "${AUXLINE_BUILD:-build}/platform/linux/auxline"
echo "fault injection: ${SECONDS} s"
