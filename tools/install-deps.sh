#!/usr/bin/env bash
# Installs the Debian packages listed in debian-packages.txt (or the list file given, such as
# tools/windows-packages.txt) that are missing.
# Uses sudo when not run as root. Does nothing (and needs no network) when all are present.
set -euo pipefail
cd "$(dirname "$0")/.."
list=${1:-debian-packages.txt}
mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$list")
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    # A package that an installed one provides is there too (npm comes with some builds of nodejs).
    provided_by=$(dpkg-query -W -f='${db:Status-Abbrev} ${Provides}\n' 2>/dev/null |
                  awk -v p="$p" '/^ii/ { for (i = 2; i <= NF; i++) { sub(/,$/, "", $i); if ($i == p) print "yes" } }')
    [ -n "$provided_by" ] || missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
