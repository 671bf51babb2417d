#!/usr/bin/env bash
# Remakes the README's screenshots with the scripted runner: docs/menu.png, docs/game.png and docs/help.png.
set -euo pipefail
cd "$(dirname "$0")/.."
runner=${1:-build}/zell-script
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$runner" docs/menu.script "$out"
"$runner" docs/game.script "$out"
"$runner" docs/help.script "$out"
cp "$out/menu.png" "$out/game.png" "$out/help.png" docs/
