#!/usr/bin/env bash
# Measures what one presented frame costs in the real window at factors 1, 2 and 3,
# on a private Xvfb display large enough for the window at three times its size.
# The display reports an ordinary density (96 dots per inch, through the core X
# protocol), so each window opens at exactly the size the benchmark asks for.
# SDL_RENDER_DRIVER picks the renderer (e.g. software or opengl); by default SDL's choice.
# Usage: tools/measure-present.sh [BUILD_DIR]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
TMP=$(mktemp -d)
XVFB_PID=""
cleanup() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$TMP"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 2000x2200x24 -dpi 96 -nolisten tcp 3>"$TMP/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$TMP/display")"
export SDL_AUDIODRIVER=dummy SDL_VIDEO_X11_XRANDR=0
"$BUILD/zell-platform-bench" --benchmark_filter=BM_PresentScaled
