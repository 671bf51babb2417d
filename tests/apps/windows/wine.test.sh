#!/usr/bin/env bash
# make test-windows: the Windows build under Wine, on a private Xvfb display with a fresh WINEPREFIX.
#  1. the unit tests; 2. every golden scenario through zell-script.exe, byte for byte as on Linux,
#     and replays recorded on Linux verify under Wine and one recorded under Wine on Linux;
#  3. the real window: title, menu, a key, F10 (saved in the prefix's %APPDATA%), Enter, a click and a
#     drag each show the runner's picture of the same input; a close ends it with exit code 0.
# Usage: wine.test.sh WIN_BUILD HOST_BUILD [SOURCE_DIR]
set -uo pipefail
WIN=$(cd "$1" && pwd) HOST=$(cd "$2" && pwd) SRC=$(cd "${3:-.}" && pwd)
XWIN=$HOST/zell-xwin TITLE="Zell Bowling"
TMP=$(mktemp -d)
XVFB_PID="" APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
  WINEPREFIX=$TMP/prefix wineserver -k 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID"
  rm -rf "$TMP"
}
trap cleanup EXIT
. "$(dirname "${BASH_SOURCE[0]}")/../../support/checks.sh"
xw() { "$XWIN" "$1" "$TITLE" "${@:2}"; }
seconds() { echo $(( $(date +%s) - $1 )); }

start_xvfb "$TMP"
# A fresh 64-bit prefix; no .NET or HTML engine to offer, no sound drivers to probe (so the
# program sees no MIDI device, as on a machine without one).
export WINEPREFIX=$TMP/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv="
t0=$(date +%s)
wineboot -i >"$TMP/wineboot.log" 2>&1 || { cat "$TMP/wineboot.log" >&2; echo "FAIL: wineboot" >&2; exit 1; }
wineserver -p  # one server for every program below
echo "wine prefix ready in $(seconds "$t0") s"
# Wine's server can drop its clients under load ("wine client error"): such a step runs once more.
lost_server() { grep -q "wine client error" "$1" && { wineserver -k; wineserver -p; } 2>/dev/null; }

# --- 1. Unit tests -------------------------------------------------------------------------------
t0=$(date +%s)
if wine "$WIN/zell-tests.exe" --gtest_brief=1 >"$TMP/tests.log" 2>&1; then
  echo "unit tests: $(grep -E '^\[ +PASSED' "$TMP/tests.log") in $(seconds "$t0") s"
else
  cat "$TMP/tests.log" >&2
  fail "unit tests under Wine"
fi

# --- 2. Golden scenarios ---------------------------------------------------------------------------
# golden.sh runs BUILD/zell-script: here that is zell-script.exe under Wine.
mkdir -p "$TMP/golden"
printf '#!/bin/sh\nexec wine "%s/zell-script.exe" "$@"\n' "$WIN" >"$TMP/golden/zell-script"
chmod +x "$TMP/golden/zell-script"
t0=$(date +%s) passed=0 total=0
for script in "$SRC"/tests/golden/*.script; do
  name=$(basename "$script" .script)
  total=$((total + 1))
  run() { bash "$SRC/tests/support/golden.sh" "$TMP/golden" "$SRC" "$name" >"$TMP/golden-$name.txt" 2>&1; }
  if run || { lost_server "$TMP/golden-$name.txt" && run; }; then
    passed=$((passed + 1))
  else
    cat "$TMP/golden-$name.txt" >&2
    fail "golden scenario $name differs under Wine"
  fi
done
echo "golden scenarios: $passed of $total byte-identical to Linux in $(seconds "$t0") s"

# --- Replays across platforms --------------------------------------------------------------------
# The replays made on Linux verify here, and a game recorded here by the runner verifies on Linux.
t0=$(date +%s) verified=0
for f in "$SRC"/docs/example.replay "$SRC"/tests/fuzz-corpus/*.replay; do
  if timeout 120 wine "$WIN/zell-bowling.exe" --verify "$f" >"$TMP/verify.txt" 2>&1; then
    verified=$((verified + 1))
  else
    cat "$TMP/verify.txt" >&2
    fail "the Linux replay $(basename "$f") does not verify under Wine"
  fi
done
{ echo "save $TMP/wine-save"; echo "key Enter"
  for x in $(seq 140 5 250); do echo "click left $x 680"; echo "drag $x 680 $((x + 10)) 470"; done
  echo "key Space"; echo "key Space"; } >"$TMP/record.script"
mkdir -p "$TMP/record"
record() { timeout 300 wine "$WIN/zell-script.exe" "$TMP/record.script" "$TMP/record" >"$TMP/record.log" 2>&1; }
record || { lost_server "$TMP/record.log" && rm -rf "$TMP/wine-save" && record; }
recorded=$(ls "$TMP"/wine-save/replays/*.replay 2>/dev/null | head -1)
if [ -z "$recorded" ]; then
  fail "the runner recorded no replay under Wine"
elif env -u DISPLAY -u WAYLAND_DISPLAY "$HOST/zell-bowling" --verify "$recorded" >"$TMP/verify.txt" 2>&1; then
  echo "replays: $verified from Linux verify under Wine; Wine's ($(wc -c <"$recorded") bytes) on Linux:" \
       "$(grep '^final score' "$TMP/verify.txt") ($(seconds "$t0") s)"
else
  cat "$TMP/verify.txt" >&2
  fail "the replay recorded under Wine does not verify on Linux"
fi

# --- 3. The real window --------------------------------------------------------------------------
# The runner's pictures of the same inputs (window pixel (x, y) is the runner's (x, 702 - y)).
mkdir -p "$TMP/ref"
"$HOST/zell-title-shots" "$TMP/ref" || fail "zell-title-shots"
cat >"$TMP/ref.script" <<'SCRIPT'
wait
key Down
shot menu-down.png
key Up
key Enter
shot board.png
click left 420 660
shot placed.png
drag 420 660 440 502
shot thrown.png
SCRIPT
"$HOST/zell-script" "$TMP/ref.script" "$TMP/ref" >/dev/null || fail "the runner's reference run"

# Waits (up to $2 s) until the window shows exactly the picture $1 (a PNG of the runner's).
expect_picture() {
  local want=$1 limit=$2 start
  start=$(date +%s)
  while [ "$(seconds "$start")" -lt "$limit" ]; do
    xw screenshot "$TMP/now.png" >/dev/null 2>&1 && cmp -s "$TMP/now.png" "$TMP/ref/$want" && return 0
    sleep 0.05
  done
  cp "$TMP/now.png" "$WIN/wine-$want" 2>/dev/null
  fail "the window never showed the runner's $want (its last picture: wine-$want)"
  return 1
}

t0=$(date +%s)
APPDATA_DIR=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/zell-bowling
wine "$WIN/zell-bowling.exe" >"$TMP/game.out" 2>"$TMP/game.err" &
APP_PID=$!
if "$XWIN" wait-title "$TITLE" 60 >/dev/null; then
  echo "window open in $(seconds "$t0") s, client area $(xw geometry)"
  [ "$(xw geometry)" = 648x702 ] || fail "client area $(xw geometry), expected 648x702"
  expect_picture title.png 20 && echo "title picture: equal to the runner's"
  expect_picture menu.png 30 && echo "main menu: equal to the runner's"
  xw key Down
  expect_picture menu-down.png 10 && echo "Down moves the highlight: equal to the runner's"
  xw key F10  # integer scaling: at this size the same picture, and saved
  for _ in $(seq 100); do [ -s "$APPDATA_DIR/settings.txt" ] && break; sleep 0.1; done
  if grep -q '^scale-mode integer$' "$APPDATA_DIR/settings.txt" 2>/dev/null; then
    echo "F10 saved: $(ls "$APPDATA_DIR" | tr '\n' ' ')in the prefix's %APPDATA%\\zell-bowling"
  else
    fail "no settings.txt with the scaling in $APPDATA_DIR"
  fi
  xw key Up
  xw key Return
  expect_picture board.png 10 && echo "Enter starts a game: equal to the runner's"
  xw click 420 42 1 50
  expect_picture placed.png 10 && echo "a click places the ball: equal to the runner's"
  xw drag 420 42 440 200 300
  expect_picture thrown.png 60 && echo "a drag throws it: after the throw equal to the runner's"
  xw close || fail "the window does not take the close"
  for _ in $(seq 300); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  wait "$APP_PID"
  rc=$?
  APP_PID=""
  [ $rc -eq 0 ] && echo "closed: exit code 0" || fail "exit code $rc after the close, expected 0"
  grep -q 'no sound device' "$TMP/game.err" && echo "sound: $(grep -m1 'no sound device' "$TMP/game.err")"
else
  fail "zell-bowling.exe opened no window"
  cat "$TMP/game.err" >&2
fi
finish Windows
