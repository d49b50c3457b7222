#!/bin/sh
# Runs the GoogleTest cases FILTER of BINARY as an ordinary user, auxline-user, with the group
# auxline-shared as its second group and no capabilities: the rules about owners can only be
# seen by a user whom file permissions bind. A second member of that group, auxline-other, first
# runs the cases PLANT_FILTER in role "plant" (AUXLINE_ROLE) in a group folder (mode 2775,
# AUXLINE_SHARED_FOLDER); the first then runs FILTER there in role "check".
# Usage: as_users.sh BINARY FILTER [PLANT_FILTER]. Making and becoming users needs root with
# setpriv and useradd: elsewhere the reason is printed and the test is skipped (status 77).
set -eu
skip() {
  echo "skipped: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "making users and running as them needs root"
for tool in setpriv useradd groupadd getent; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
done
binary=$1 filter=$2 plant=${3:-}
user=auxline-user other=auxline-other group=auxline-shared

getent group "$group" >/dev/null || groupadd --system "$group"
for name in "$user" "$other"; do
  id -u "$name" >/dev/null 2>&1 ||
    useradd --system --user-group --no-create-home --shell /usr/sbin/nologin "$name"
done
shared=$(getent group "$group" | cut -d: -f3)

scratch=$(mktemp -d /tmp/auxline-users.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/group" "$scratch/bin"
chown "root:$group" "$scratch" "$scratch/group"
chmod 2775 "$scratch" "$scratch/group"
chmod 0755 "$scratch/bin"
cd "$scratch"

as() { # NAME COMMAND...
  name=$1
  shift
  setpriv --reuid="$(id -u "$name")" --regid="$(id -g "$name")" --groups="$shared" \
    --inh-caps=-all --bounding-set=-all -- \
    env HOME="$scratch" TMPDIR="$scratch" AUXLINE_SHARED_FOLDER="$scratch/group" "$@"
}

# A build folder closed to other users: the binary runs from a copy that only root may change.
if ! as "$user" test -x "$binary"; then
  cp "$binary" "$scratch/bin/"
  binary=$scratch/bin/$(basename "$binary")
  chmod 0755 "$binary"
fi
if [ -n "$plant" ]; then
  as "$other" env AUXLINE_ROLE=plant "$binary" --gtest_filter="$plant" --gtest_brief=1
fi
as "$user" env AUXLINE_ROLE=check "$binary" --gtest_filter="$filter" --gtest_brief=1
