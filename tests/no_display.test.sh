#!/usr/bin/env bash
# Without a display the program says so on standard error and exits non-zero, at once.
set -u
build=$1
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ZELL_MIDI_PORT=none \
      timeout 20 "$build/zell-bowling" 2>&1 >/dev/null); code=$?
fail() { echo "FAIL: $*"; exit 1; }
[ $code -ne 0 ] || fail "exit code 0 without a display"
[ $code -ne 124 ] || fail "the program did not end"
echo "$out" | grep -q "cannot open a window" || fail "no message on standard error: $out"
echo "1 passed, 0 failed"
