#!/usr/bin/env bash
# Remakes the README's screenshots with the scripted runner: docs/NAME.png from docs/NAME.script.
set -euo pipefail
cd "$(dirname "$0")/.."
runner=${1:-build}/zell-script
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for name in menu game help hint delete best20-after; do
    "$runner" "docs/$name.script" "$out"
    cp "$out/$name.png" docs/
done
