#!/bin/sh
# Usage: as_users.sh BINARY FILTER [PLANT_FILTER]. Runs the GoogleTest cases FILTER of BINARY as
# auxline-user, an ordinary user without capabilities (file permissions bind only such a one),
# with AUXLINE_SHARED_FOLDER a folder of the group auxline-shared (2775); a second member,
# auxline-other, first runs PLANT_FILTER there with AUXLINE_ROLE=plant. Making users and
# becoming them needs root: elsewhere the reason is printed and the test skipped (status 77).
set -eu
skip() { echo "skipped: $*" && exit 77; }
[ "$(id -u)" -eq 0 ] || skip "making users and running as them needs root"
for tool in setpriv useradd groupadd; do command -v $tool >/dev/null || skip "$tool is missing"; done
getent group auxline-shared >/dev/null || groupadd --system auxline-shared
for name in auxline-user auxline-other; do
  id -u $name >/dev/null 2>&1 || useradd --system --user-group --no-create-home $name
done

# The binary runs from a copy that only root may change (the build folder may be closed).
scratch=$(mktemp -d /tmp/auxline-users.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
chmod 0755 "$scratch"
cp "$1" "$scratch/tests"
shared=$scratch/shared
mkdir -m 2775 "$shared"
chown root:auxline-shared "$shared"
as() { # USER ROLE FILTER
  setpriv --reuid="$1" --regid="$1" --groups=auxline-shared --inh-caps=-all --bounding-set=-all \
    env TMPDIR="$shared" AUXLINE_SHARED_FOLDER="$shared" AUXLINE_ROLE="$2" \
    "$scratch/tests" --gtest_filter="$3" --gtest_brief=1
}
[ -z "${3:-}" ] || as auxline-other plant "$3"
as auxline-user check "$2"
