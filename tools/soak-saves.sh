#!/usr/bin/env bash
# Kills a saving program at random moments, N times, and checks after each kill that the save
# folder holds only whole files (the old ones or the new ones: every record reads in full, none
# was set aside) and no temporary file but those of copies killed (a record's are removed at its
# next save, which a run killed early may not reach); at the end, after more saves, none at all.
# The saving program is the scripted runner playing the real game with a save folder: option
# changes (each saves the settings) around whole games (each saves the Best 20 table).
# Usage: tools/soak-saves.sh [BUILD_DIR] [N]      (make soak N=500)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
N=${2:-500}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
SAVE=$TMP/save
mkdir -p "$SAVE" "$TMP/out"

# Level: Down to item B, Enter, Left (one level up, wrapping), Enter; the cursor stays on B.
level=$'key Down\nkey Enter\nkey Left\nkey Enter\nkey Up\n'
game=$'key Enter\n'
for _ in $(seq 40); do game+=$'click left 100 680\n'; done
game+=$'key Enter\n'
{
  echo "save $SAVE"
  for _ in $(seq 3); do printf '%s' "$level$level$level$game"; done
} >"$TMP/saving.script"
echo "save $SAVE" >"$TMP/check.script"
printf 'save %s\n%s' "$SAVE" "$level" >"$TMP/final.script"

# How long one whole saving run takes: the kills fall anywhere within it.
start=$(date +%s%N)
"$BUILD/zell-script" "$TMP/saving.script" "$TMP/out" >/dev/null
run_ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo "one saving run takes ${run_ms} ms; killing $N runs at random moments"

fail() { echo "FAIL after kill $1: $2"; ls -la "$SAVE"; exit 1; }
declare -A killed=()
for i in $(seq "$N"); do
  "$BUILD/zell-script" "$TMP/saving.script" "$TMP/out" >/dev/null 2>&1 &
  pid=$!
  at=$(( (RANDOM * 32768 + RANDOM) % (run_ms + 1) ))
  sleep "$(printf '%d.%03d' $(( at / 1000 )) $(( at % 1000 )))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  killed[$pid]=1
  # A run that only reads: any record that does not read in full is set aside and reported.
  "$BUILD/zell-script" "$TMP/check.script" "$TMP/out" >/dev/null 2>&1 || fail "$i" "the check run failed"
  grep -q '^saved:' "$TMP/out/log.txt" && fail "$i" "$(grep '^saved:' "$TMP/out/log.txt")"
  for f in "$SAVE"/*; do
    case $(basename "$f") in
      best20.txt | settings.txt | *.lock) ;;
      *.tmp*) [ -n "${killed[${f##*.tmp}]:-}" ] || fail "$i" "a temporary file of no killed copy: $f" ;;
      *) fail "$i" "unexpected file $(basename "$f")" ;;
    esac
  done
done
"$BUILD/zell-script" "$TMP/final.script" "$TMP/out" >/dev/null
"$BUILD/zell-script" "$TMP/saving.script" "$TMP/out" >/dev/null
left=$(find "$SAVE" -name '*.tmp*' | wc -l)
[ "$left" -eq 0 ] || fail "$N" "$left temporary files after the last saves"
echo "soak: $N kills, every record whole after each, no temporary file left: passed"
