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
#   - the exit code after closing the window,
#   - then the same paced throw on a 3840 x 2160 screen in a window at factors 1, 2 and 3,
#     and filling the screen (the drawing work of full screen) in both scaling modes, and
#     filling a 1920 x 1080 screen in both modes. Without a window manager F11 cannot
#     switch to full screen, so the window is resized to the whole screen instead.
# The game is driven with zell-xwin as a player would: keys, and clicks held 100 ms.
# Usage: tools/measure-window.sh [BUILD_DIR] [SECONDS] [main|throws]  (default both)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
SECONDS_IDLE=${2:-10}
WHAT=${3:-all}
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

export SDL_AUDIODRIVER=dummy ZELL_MIDI_PORT=${ZELL_MIDI_PORT:-none}
# The display's density comes from the core X protocol (Xvfb's -dpi): it decides the start factor.
export SDL_VIDEO_X11_XRANDR=0
export XDG_STATE_HOME=$TMP/state XDG_DATA_HOME=$TMP/data XDG_CONFIG_HOME=$TMP/config HOME=$TMP

# Starts a private Xvfb screen ($1 = WxH, $2 = dots per inch) and the game on it; sets WIN.
start_game() {
    rm -f "$TMP/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -dpi "$2" -nolisten tcp 3>"$TMP/display" 2>/dev/null &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$TMP/display")"
    t0=$(date +%s%N)
    "$GAME" --no-save >/dev/null 2>&1 &  # each run starts from the defaults: nothing saved
    APP_PID=$!
    WIN=$("$XWIN" wait-title "Zell Bowling" 10)
    "$XWIN" wait-drawn "$WIN" 5000
    t1=$(date +%s%N)
    set_geometry sharp
}
stop_game() {
    "$XWIN" close "$WIN"
    for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
    code=0; wait "$APP_PID" || code=$?
    APP_PID=""
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
}

# Where the 648 x 702 screen lies in the client area in scaling mode $1 (sharp or integer),
# as the program fits it: sets OX OY SW SH.
set_geometry() {
    read -r OX OY SW SH < <("$XWIN" geometry "$WIN" | awk -F x -v mode="$1" '{
        w = $1; h = $2
        if (mode == "integer") {
            f = int(w / 648); if (int(h / 702) < f) f = int(h / 702); if (f < 1) f = 1
            sw = 648 * f; sh = 702 * f
        } else if (w * 702 <= h * 648) { sw = w; sh = int((702 * w * 2 + 648) / 1296) }
        else { sh = h; sw = int((648 * h * 2 + 702) / 1404) }
        ox = int((w - sw) / 2); oy = int((h - sh) / 2); if (ox < 0) ox = 0; if (oy < 0) oy = 0
        print ox, oy, sw, sh }')
}
# Client coordinates of the centre of screen pixel column $1 / row $1.
cx() { echo $(( OX + ($1 * 2 + 1) * SW / 1296 )); }
cy() { echo $(( OY + ($1 * 2 + 1) * SH / 1404 )); }

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

# Board points (x, y up from the bottom) as screen pixels; the screen is 702 pixels high.
# Two presses closer than 500 ms make a double-click, which is no press: clicks are spaced.
BALL_X=100 BALL_Y=$((702 - 680))
click_board() { "$XWIN" click "$WIN" "$(cx $BALL_X)" "$(cy $BALL_Y)" "${1:-1}" 100; sleep 0.5; }

# One throw of the ball dropped at rest: placed, then pressed and released on the spot.
# Prints the milliseconds from the release until the score sheet's row of frame $1 changed
# (the throw, the half-second pause after it, and the redraw for the next throw).
drop_ball() {
    local row=$((4 + $1))
    click_board
    "$XWIN" click "$WIN" "$(cx $BALL_X)" "$(cy $BALL_Y)" 1 100
    "$XWIN" wait-change "$WIN" $((OX + 528 * SW / 648)) $((OY + row * 18 * SH / 702)) \
        $((120 * SW / 648)) $((18 * SH / 702)) 60000
}
# Prints the real-time length of one dropped ball, labelled.
report_throw() {
    local ms
    ms=$(drop_ball 1)
    awk -v ms="$ms" -v what="$1" 'BEGIN { printf "paced throw %s (ball dropped at rest from y 680, 1170 steps of 4 ms due): %.2f s of real time (%d ms to the score update, less the 0.5 s pause after the throw)\n", what, (ms - 500) / 1000, ms }'
}

# Waits until screen pixel ($1, $2) shows colour $3 (RRGGBB), for at most 30 s.
wait_pixel() {
    for _ in $(seq 300); do
        [ "$("$XWIN" pixel "$WIN" "$(cx "$1")" "$(cy "$2")")" = "$3" ] && return 0
        sleep 0.1
    done
    echo "pixel ($1, $2) never showed $3" >&2
    return 1
}
# Prints the program's peak resident set so far, labelled.
peak_memory() {
    awk -v what="$1" '/^VmHWM/ { printf "peak resident memory %s: %.1f MiB (VmHWM)\n", what, $2 / 1024 }' \
        "/proc/$APP_PID/status"
}

if [ "$WHAT" != throws ]; then
    start_game 1024x768 96
    echo "first frame: $(((t1 - t0) / 1000000)) ms after process start"
    # Start-up (the title sequence) ends at the main menu, whose light box is cyan.
    wait_pixel 300 201 00ffff
    sleep 1
    peak_memory "after start-up, at the main menu"
    idle_cpu "waiting for a key at the main menu"

    key Return  # A: start a game
    sleep 2
    idle_cpu "waiting for the ball to be placed"
    report_throw "in a 648 x 702 window"

    click_board 3  # a right click gives up the game
    sleep 1
    key Up; key Up; key Return     # G: animation speed
    key Left; key Left; key Return  # 3 -> 1, the fastest
    key Down; key Down; key Return  # A: start a game
    sleep 1
    for n in $(seq 20); do drop_ball $(((n + 1) / 2)) >/dev/null; done
    sleep 1
    key Return                      # after "<< Game Over >>": the score enters the Best 20 table
    key Down; key Down; key Down; key Return  # D: show the table
    sleep 1
    key Return
    sleep 0.5
    peak_memory "of a whole game"
    stop_game
    echo "exit code after closing the window: $code"
fi

[ "$WHAT" = main ] && exit 0
# The paced throw at each size: screen, dots per inch (the start factor), whether the window
# is resized to fill the screen, and the scaling mode (F10 switches to integer).
while read -r screen dpi fill mode; do
    start_game "$screen" "$dpi"
    label="in a $("$XWIN" geometry "$WIN") window on $screen"
    if [ "$fill" = fill ]; then
        "$XWIN" resize "$WIN" "${screen%x*}" "${screen#*x}"
        label="filling $screen"
    fi
    if [ "$mode" = integer ]; then key F10; fi
    set_geometry "$mode"
    wait_pixel 300 201 00ffff
    sleep 1
    key Return  # A: start a game
    sleep 2
    report_throw "$label, $mode ($SW x $SH)"
    stop_game
done <<'EOF'
3840x2160 96 window sharp
3840x2160 192 window sharp
3840x2160 288 window sharp
3840x2160 96 fill sharp
3840x2160 96 fill integer
1920x1080 96 fill sharp
1920x1080 96 fill integer
EOF
