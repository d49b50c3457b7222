#!/usr/bin/env bash
# Whole-process faults with the real executable: broken exchange files, a read-only folder,
# a full disk, kills at every step of a run and at random moments, other users' files and
# links. Failed system calls are tested in process (tests/os). See tests/faults/run_faults.py.
set -euo pipefail
cd "$(dirname "$0")/../.."
python3 tests/faults/run_faults.py "${AUXLINE_BUILD:-build}/platform/linux/auxline"
echo "fault injection: ${SECONDS} s"
