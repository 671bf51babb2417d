#!/usr/bin/env bash
# Measures the real window on a private Xvfb display, one figure a line:
#   - time from process start to the first presented frame,
#   - CPU use while the program waits at its main menu for a key (idle CPU),
#   - CPU use while a game waits for the ball to be placed,
#   - the real-time length of a paced throw: a ball dropped at rest from the top of the
#     strip beside the pins falls out of play in 1170 steps of 4 ms (4.68 s),
#   - the peak resident memory after start-up (at the main menu), and of a whole game:
#     twenty such throws at the fastest animation speed, the game over, its Best 20 entry
#     and the Best 20 table,
#   - the exit code after closing the window.
# The game is driven with zell-xwin as a player would: keys, and clicks held 100 ms.
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
# The first window found may be replaced while the program sets up its renderer: look again then.
for _ in 1 2 3; do
    WIN=$("$XWIN" wait-title "Zell Bowling" 10)
    "$XWIN" wait-drawn "$WIN" 5000 2>/dev/null && break
done
t1=$(date +%s%N)
echo "first frame: $(( (t1 - t0) / 1000000 )) ms after process start"

ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }
hz=$(getconf CLK_TCK)
# Prints the CPU share of the program over SECONDS_IDLE seconds, labelled.
idle_cpu() {
    local a b
    a=$(ticks); sleep "$SECONDS_IDLE"; b=$(ticks)
    awk -v t=$((b - a)) -v hz="$hz" -v s="$SECONDS_IDLE" -v what="$1" \
        'BEGIN { printf "idle CPU while %s: %.2f %% of one core (%d ticks in %d s)\n", what, 100 * t / hz / s, t, s }'
}
key() { "$XWIN" key "$WIN" "$1"; sleep 0.2; }

# Board points (x, y up from the bottom) as client pixels; the client is 702 pixels high.
# Two presses closer than 500 ms make a double-click, which is no press: clicks are spaced.
BALL_X=100 BALL_Y=$((702 - 680))
click_board() { "$XWIN" click "$WIN" "$BALL_X" "$BALL_Y" "${1:-1}" 100; sleep 0.5; }

# One throw of the ball dropped at rest: placed, then pressed and released on the spot.
# Prints the milliseconds from the release until the score sheet's row of frame $1 changed
# (the throw, the half-second pause after it, and the redraw for the next throw).
drop_ball() {
    local row=$((4 + $1))
    click_board
    "$XWIN" click "$WIN" "$BALL_X" "$BALL_Y" 1 100
    "$XWIN" wait-change "$WIN" 528 $((row * 18)) 120 18 20000
}

# Waits until client pixel ($1, $2) shows colour $3 (RRGGBB), for at most 30 s.
wait_pixel() {
    for _ in $(seq 300); do
        [ "$("$XWIN" pixel "$WIN" "$1" "$2")" = "$3" ] && return 0
        sleep 0.1
    done
    echo "pixel ($1, $2) never showed $3" >&2
    return 1
}

# Start-up (the title sequence) ends at the main menu, whose light box is cyan.
wait_pixel 300 201 00ffff
sleep 1
# Prints the program's peak resident set so far, labelled.
peak_memory() {
    awk -v what="$1" '/^VmHWM/ { printf "peak resident memory %s: %.1f MiB (VmHWM)\n", what, $2 / 1024 }' \
        "/proc/$APP_PID/status"
}
peak_memory "after start-up, at the main menu"
idle_cpu "waiting for a key at the main menu"

key Return  # A: start a game
sleep 2
idle_cpu "waiting for the ball to be placed"

ms=$(drop_ball 1)
awk -v ms="$ms" 'BEGIN { printf "paced throw (ball dropped at rest from y 680, 1170 steps of 4 ms due): %.2f s of real time (%d ms to the score update, less the 0.5 s pause after the throw)\n", (ms - 500) / 1000, ms }'

click_board 3  # a right click gives up the game
sleep 1
key Up; key Up; key Return     # G: animation speed
key Left; key Left; key Return  # 3 -> 1, the fastest
key Down; key Down; key Return  # A: start a game
sleep 1
for n in $(seq 20); do drop_ball $(( (n + 1) / 2 )) >/dev/null; done
sleep 1
key Return                      # after "<< Game Over >>": the score enters the Best 20 table
key Down; key Down; key Down; key Return  # D: show the table
sleep 1
key Return
sleep 0.5
peak_memory "of a whole game"

"$XWIN" close "$WIN"
for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
code=0; wait "$APP_PID" || code=$?
APP_PID=""
echo "exit code after closing the window: $code"
