#!/usr/bin/env bash
# The real SDL window on a private Xvfb display.
#
# For the game (build/zell-bowling, when it has been built) and for the window
# probe (build/zell-sdl-probe, which shows a test pattern and echoes its input):
# the window titled "Zell Bowling" appears, shows something within 2 s of the
# process start, has a client area of 648 x 702, and a WM_DELETE_WINDOW close
# (what a window manager sends) ends the program with exit code 0 within 5 s.
# With the probe also: the pattern is shown 1:1 at the top-left, is repainted
# after the window was covered, keys and mouse clicks arrive translated, and the
# idle program (pumping with a 5 ms wait) uses almost no CPU. Resized to twice its
# size the window shows every pixel as a 2 x 2 square, and a click on a square
# arrives as the screen pixel's coordinate; with a border around the image, a
# click on the border arrives not at all; F11 and Alt+Enter (the full-screen keys)
# never reach the program. On a display of 192 dots per inch the window starts at
# twice the size.
#
# Usage: bash xvfb_smoke.test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

BUILD=$(cd "$1" && pwd)
XWIN=$BUILD/zell-xwin
PROBE=$BUILD/zell-sdl-probe
GAME=$BUILD/zell-bowling
TITLE="Zell Bowling"
MAX_IDLE_CPU_PERCENT=10

TMP=$(mktemp -d)
XVFB_PID=""
APP_PID=""

cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$TMP"
}
trap cleanup EXIT

FAILURES=0
fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

for tool in Xvfb "$XWIN" "$PROBE"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
done

# Starts Xvfb with a screen large enough for the window at twice its size; extra
# arguments go to Xvfb. Xvfb picks a free display number itself and reports it
# through -displayfd. Sets DISPLAY and XVFB_PID.
start_xvfb() {
    rm -f "$TMP/display"
    Xvfb -displayfd 3 -screen 0 1600x1500x24 -nolisten tcp "$@" 3>"$TMP/display" 2>"$TMP/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$TMP/display" ] && break
        sleep 0.1
    done
    [ -s "$TMP/display" ] || { cat "$TMP/xvfb.log" >&2; echo "FAIL: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$TMP/display")"
    echo "Xvfb on display $DISPLAY $*"
}

stop_xvfb() {
    kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}

unset WAYLAND_DISPLAY SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
# In a sanitizer build, leaks are checked by the headless tests. The real window loads and unloads the
# X11 and GL client libraries, whose allocations LeakSanitizer can no longer attribute after unloading,
# so leak checking is off for the processes started here (address and undefined-behaviour checks stay on).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
start_xvfb

# Starts a program and waits for its window, which must have the client size
# EXPECTED_SIZE (648x702 unless set); sets APP_PID and WIN.
start_program() {
    local name=$1
    shift
    local t0
    t0=$(now_ms)
    "$@" >"$TMP/$name.out" 2>"$TMP/$name.err" &
    APP_PID=$!
    if ! WIN=$("$XWIN" wait-title "$TITLE" 10); then
        fail "$name: no window titled \"$TITLE\""
        cat "$TMP/$name.err" >&2
        return 1
    fi
    if ! "$XWIN" wait-drawn "$WIN" 2000; then
        fail "$name: nothing was presented"
        return 1
    fi
    local first=$(( $(now_ms) - t0 ))
    echo "$name: first frame $first ms after the process started"
    [ "$first" -le 2000 ] || fail "$name: first frame after $first ms (limit 2000 ms)"

    local geometry expected=${EXPECTED_SIZE:-648x702}
    geometry=$("$XWIN" geometry "$WIN")
    [ "$geometry" = "$expected" ] || fail "$name: client area $geometry, expected $expected"
    "$XWIN" screenshot "$WIN" "$BUILD/xvfb-smoke-$name.png" || fail "$name: no screenshot"
}

# Closes the window as a window manager does and checks a clean exit.
close_program() {
    local name=$1
    "$XWIN" close "$WIN" || fail "$name: the window does not take WM_DELETE_WINDOW"
    local waited=0
    while kill -0 "$APP_PID" 2>/dev/null && [ $waited -lt 50 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$APP_PID" 2>/dev/null; then
        fail "$name: still running 5 s after the close"
        kill "$APP_PID"
    fi
    wait "$APP_PID"
    local rc=$?
    APP_PID=""
    [ $rc -eq 0 ] || fail "$name: exit code $rc after the close, expected 0"
    echo "$name: closed, exit code $rc"
}

pattern_pixel() { printf '%02x%02x%02x' $(( $1 % 256 )) $(( $2 % 256 )) $(( 0x80 | ($1 / 256) << 2 | $2 / 256 )); }

# Polls a pixel for up to 1 s until it has the expected colour.
expect_pixel() {
    local what=$1 x=$2 y=$3 want=$4 got=""
    for _ in $(seq 50); do
        got=$("$XWIN" pixel "$WIN" "$x" "$y")
        [ "$got" = "$want" ] && return 0
        sleep 0.02
    done
    fail "$what: pixel ($x, $y) is $got, expected $want"
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# --- The probe -----------------------------------------------------------------
if start_program probe "$PROBE" --wait-ms 5; then
    for xy in "0 0" "10 20" "300 400" "511 255" "647 0" "0 701" "647 701"; do
        expect_pixel "probe pattern" $xy "$(pattern_pixel $xy)"
    done

    "$XWIN" cover "$WIN" 200
    expect_pixel "probe after being covered" 10 20 "$(pattern_pixel 10 20)"
    expect_pixel "probe after being covered" 647 701 "$(pattern_pixel 647 701)"

    before=$(cpu_ticks "$APP_PID")
    sleep 5
    after=$(cpu_ticks "$APP_PID")
    hz=$(getconf CLK_TCK)
    idle=$(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "%.1f", t * 100 / hz / 5 }')
    echo "probe: idle CPU while pumping with a 5 ms wait: $idle % of one core"
    awk -v c="$idle" -v max=$MAX_IDLE_CPU_PERCENT 'BEGIN { exit !(c <= max) }' ||
        fail "probe: idle CPU $idle % (limit $MAX_IDLE_CPU_PERCENT %)"

    "$XWIN" click "$WIN" 100 200
    "$XWIN" click "$WIN" 50 60 3
    "$XWIN" drag "$WIN" 10 10 30 40
    for key in Return a space Right ctrl+c shift+Home Delete F5 Escape KP_Home; do
        "$XWIN" key "$WIN" "$key" || fail "probe: cannot type $key"
    done

    # Twice the size: each screen pixel is a 2 x 2 square, and a click anywhere on a
    # square is a click on that pixel.
    "$XWIN" resize "$WIN" 1296 1404 || fail "probe: cannot resize the window"
    for xy in "0 0" "10 20" "300 400" "647 701"; do
        read -r x y <<<"$xy"
        for d in "0 0" "1 1" "1 0"; do
            read -r dx dy <<<"$d"
            expect_pixel "probe at twice the size" $(( 2 * x + dx )) $(( 2 * y + dy )) "$(pattern_pixel "$x" "$y")"
        done
    done
    "$XWIN" click "$WIN" 200 400
    "$XWIN" click "$WIN" 201 401 3
    "$XWIN" click "$WIN" 1295 1403

    # With a border: the image centred at (52, 48); the border is black and takes no clicks.
    "$XWIN" resize "$WIN" 1400 1500 || fail "probe: cannot resize the window"
    expect_pixel "probe centred" 52 48 "$(pattern_pixel 0 0)"
    expect_pixel "probe centred" $(( 52 + 2 * 647 + 1 )) $(( 48 + 2 * 701 + 1 )) "$(pattern_pixel 647 701)"
    for xy in "51 48" "52 47" "10 10" "1399 1499" "$(( 52 + 1296 )) 700"; do expect_pixel "border" $xy 000000; done
    "$XWIN" click "$WIN" 10 10
    "$XWIN" click "$WIN" 1350 700 3
    "$XWIN" click "$WIN" $(( 52 + 20 )) $(( 48 + 40 ))

    # The full-screen keys are the window's own (without a window manager the switch itself
    # has no effect; the unit tests check it).
    for key in F11 F11 alt+Return alt+Return Return; do
        "$XWIN" key "$WIN" "$key" || fail "probe: cannot type $key"
    done
    close_program probe

    grep -v '^move ' "$TMP/probe.out" >"$TMP/probe.input"
    cat >"$TMP/probe.expected" <<'EOF'
down left 100 200
up left 100 200
down right 50 60
up right 50 60
down left 10 10
up left 30 40
char 13
text a
text  
key_down Right
key_up Right
key_down Ctrl ctrl
char 3
key_up Ctrl
key_down Shift shift
key_down Home shift
key_up Home
key_up Shift
key_down Delete
key_up Delete
key_down F5
key_up F5
char 27
key_down Home
key_up Home
down left 100 200
up left 100 200
down right 100 200
up right 100 200
down left 647 701
up left 647 701
down left 10 20
up left 10 20
char 13
close
EOF
    diff -u "$TMP/probe.expected" "$TMP/probe.input" || fail "probe: the input arrived differently"
    grep -qx 'move 100 200 0' "$TMP/probe.out" || fail "probe: no pointer move to (100, 200)"
    grep -qx 'move 30 40 1' "$TMP/probe.out" || fail "probe: no move with the left button held"
fi

# --- A high-density display ---------------------------------------------------------
# SDL reads the density from the core X protocol's screen size in millimetres when
# it is told not to use XRandR (Xvfb's XRandR output reports no physical size).
stop_xvfb
start_xvfb -dpi 192
if SDL_VIDEO_X11_XRANDR=0 EXPECTED_SIZE=1296x1404 start_program probe-192dpi "$PROBE" --wait-ms 5; then
    expect_pixel "probe at 192 dpi" 0 0 "$(pattern_pixel 0 0)"
    expect_pixel "probe at 192 dpi" 601 801 "$(pattern_pixel 300 400)"
    expect_pixel "probe at 192 dpi" 1295 1403 "$(pattern_pixel 647 701)"
    "$XWIN" click "$WIN" 201 401
    close_program probe-192dpi
    grep -v '^move ' "$TMP/probe-192dpi.out" >"$TMP/probe-192dpi.input"
    printf 'down left 100 200\nup left 100 200\nclose\n' | diff -u - "$TMP/probe-192dpi.input" ||
        fail "probe at 192 dpi: the click arrived differently"
fi
stop_xvfb
start_xvfb

# --- The game --------------------------------------------------------------------
if [ -x "$GAME" ]; then
    start_program game "$GAME" && close_program game
else
    echo "game: $GAME not built, only the probe was run"
fi

if [ $FAILURES -ne 0 ]; then
    echo "$FAILURES check(s) failed" >&2
    exit 1
fi
echo "all window checks passed"
