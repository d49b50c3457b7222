#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are not installed yet.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
while read -r package; do
  package="${package%%#*}"
  package="${package// /}"
  [ -n "$package" ] || continue
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done < scripts/packages.txt
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  # A package of another architecture ("wine32:i386", Wine for 32-bit programs) needs that
  # architecture in dpkg first; the update below then fetches its package lists.
  for package in "${missing[@]}"; do
    architecture="${package#*:}"
    [ "$architecture" != "$package" ] || continue
    if [ "$architecture" != "$(dpkg --print-architecture)" ] &&
      ! dpkg --print-foreign-architectures | grep -qx "$architecture"; then
      $sudo_cmd dpkg --add-architecture "$architecture"
    fi
  done
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
