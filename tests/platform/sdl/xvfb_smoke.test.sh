#!/usr/bin/env bash
# The real SDL window on a private Xvfb display: only what the real window can show.
# The game and the probe (zell-sdl-probe: a test pattern, input echoed) open "Zell Bowling" at 648 x 702
# and a window manager's close ends them with code 0. The probe at twice its size shows each pixel as
# a 2 x 2 square that a click reaches as that pixel; a click on a border around the image arrives not.
# Every wait is for a condition, with a deadline far beyond what a loaded machine needs.
# Usage: bash xvfb_smoke.test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
BUILD=$(cd "$1" && pwd)
XWIN=$BUILD/zell-xwin
TITLE="Zell Bowling"
TMP=$(mktemp -d)
XVFB_PID="" APP_PID=""
trap '[ -n "$APP_PID" ] && kill $APP_PID; [ -n "$XVFB_PID" ] && kill $XVFB_PID; rm -rf "$TMP"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/../../support/checks.sh"
xw() { "$XWIN" "$1" "$TITLE" "${@:2}"; }  # by title: a window replaced meanwhile is found anew

start_xvfb "$TMP"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
# The real window loads and unloads the X11 and GL client libraries, whose allocations LeakSanitizer
# cannot attribute after unloading; leaks are checked by the headless tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# Starts a program and checks its window: there, the right size (648x702 unless SIZE is set), drawn.
start_program() {
    local name=$1 want=${SIZE:-648x702}
    shift
    "$@" >"$TMP/$name.out" 2>"$TMP/$name.err" &
    APP_PID=$!
    "$XWIN" wait-title "$TITLE" 60 >/dev/null || { fail "$name: no window"; cat "$TMP/$name.err" >&2; return 1; }
    xw wait-drawn 30000 || fail "$name: nothing was presented"
    local size
    size=$(xw geometry)
    [ "$size" = "$want" ] || fail "$name: client area $size, expected $want"
}

# Closes the window as a window manager does; the program must end with code 0.
close_program() {
    local name=$1 rc
    xw close || fail "$name: the window does not take WM_DELETE_WINDOW"
    for _ in $(seq 600); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$APP_PID" 2>/dev/null && { fail "$name: still running 60 s after the close"; kill "$APP_PID"; }
    wait "$APP_PID"
    rc=$?
    APP_PID=""
    [ $rc -eq 0 ] || fail "$name: exit code $rc after the close, expected 0"
}

pattern_pixel() { printf '%02x%02x%02x' $(( $1 % 256 )) $(( $2 % 256 )) $(( 0x80 | ($1 / 256) << 2 | $2 / 256 )); }
# Waits (up to 10 s) for a pixel to have the expected colour.
expect_pixel() {
    local what=$1 x=$2 y=$3 want=$4 got=""
    for _ in $(seq 500); do
        got=$(xw pixel "$x" "$y")
        [ "$got" = "$want" ] && return 0
        sleep 0.02
    done
    fail "$what: pixel ($x, $y) is $got, expected $want"
}

if start_program probe "$BUILD/zell-sdl-probe" --wait-ms 5; then
    for xy in "0 0" "300 400" "647 701"; do expect_pixel "probe pattern" $xy "$(pattern_pixel $xy)"; done
    xw click 100 200
    xw resize 1296 1404 || fail "probe: cannot resize the window"
    for xy in "10 20" "647 701"; do
        read -r x y <<<"$xy"
        for d in "0 0" "1 1"; do
            read -r dx dy <<<"$d"
            expect_pixel "probe at twice the size" $(( 2 * x + dx )) $(( 2 * y + dy )) "$(pattern_pixel "$x" "$y")"
        done
    done
    xw click 201 401 3
    xw click 1295 1403
    # With a border: the image centred at (52, 48); the border is black and takes no clicks.
    xw resize 1400 1500 || fail "probe: cannot resize the window"
    expect_pixel "probe centred" 52 48 "$(pattern_pixel 0 0)"
    for xy in "51 48" "1399 1499"; do expect_pixel "border" $xy 000000; done
    xw click 10 10
    xw click 1350 700 3
    xw click $(( 52 + 20 )) $(( 48 + 40 ))
    close_program probe
    printf '%s\n' "down left 100 200" "up left 100 200" "down right 100 200" "up right 100 200" \
        "down left 647 701" "up left 647 701" "down left 10 20" "up left 10 20" close >"$TMP/probe.expected"
    grep -v '^move ' "$TMP/probe.out" | diff -u "$TMP/probe.expected" - || fail "probe: the clicks arrived differently"
fi

# A close may cross an event SDL sends to wake its own wait; it must end with code 0 all the same.
for _ in $(seq 10); do start_program probe "$BUILD/zell-sdl-probe" && close_program probe; done

if [ -x "$BUILD/zell-bowling" ]; then
    # A key skips the title; Enter starts a game; a click with no time between its press and its
    # release (a touchpad tap) places the ball: its outline appears around the point clicked.
    if start_program game "$BUILD/zell-bowling" --no-save; then
        xw key x
        expect_pixel "the menu after the title" 300 50 00ffff
        xw key Return
        expect_pixel "the board" 60 300 008000
        xw click 420 42 1 0
        expect_pixel "the ball placed by a zero-length click" 435 42 ffffff
        close_program game
    fi
    # A window larger than the desktop opens at the largest factor that fits, and says so.
    SIZE=1296x1404 start_program big "$BUILD/zell-bowling" --scale 4 --no-save && close_program big
    grep -q "does not fit the desktop (1600 x 1500); it opens 2 times the size" "$TMP/big.err" ||
        fail "big: no word of the factor that fits: $(cat "$TMP/big.err")"
fi
finish window
