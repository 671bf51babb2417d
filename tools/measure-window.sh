#!/usr/bin/env bash
# Measures the real window on a private Xvfb display:
#   - time from process start to the first presented frame,
#   - CPU use while the program waits at its main menu for a key (idle CPU),
#   - that a key is answered (the screen changes) within one display frame or so.
# Usage: tools/measure-window.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
SECONDS_IDLE=${2:-10}
XWIN=$BUILD/zell-xwin
GAME=$BUILD/zell-bowling
TMP=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$TMP"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$TMP/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$TMP/display")"
export SDL_AUDIODRIVER=dummy ZELL_MIDI_PORT=${ZELL_MIDI_PORT:-none}

t0=$(date +%s%N)
"$GAME" >/dev/null 2>&1 &
APP_PID=$!
WIN=$("$XWIN" wait-title "Zell Bowling" 10)
"$XWIN" wait-drawn "$WIN" 5000
t1=$(date +%s%N)
echo "first frame: $(( (t1 - t0) / 1000000 )) ms after process start"

# Let start-up finish (the title sequence) before measuring the waiting program.
sleep "${SETTLE:-6}"
ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }
hz=$(getconf CLK_TCK)
a=$(ticks); sleep "$SECONDS_IDLE"; b=$(ticks)
awk -v t=$((b - a)) -v hz="$hz" -v s="$SECONDS_IDLE" \
    'BEGIN { printf "idle CPU while waiting for a key: %.2f %% of one core (%d ticks in %d s)\n", 100 * t / hz / s, t, s }'

"$XWIN" close "$WIN"
for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
wait "$APP_PID"; code=$?
APP_PID=""
echo "exit code after closing the window: $code"
