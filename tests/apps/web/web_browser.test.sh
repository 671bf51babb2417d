#!/usr/bin/env bash
# The browser build in a real browser: Debian's Chromium, headless, plays the page that
# `make web` built (build-web/site) and compares its canvas with the headless runner's
# pictures of the same keys and the same throw, and of a whole game whose Best 20 entry must
# survive a reload of the page, and whose replay, downloaded from the page, the desktop's --verify
# accepts, and the same by touch alone on a phone's screen (tools/web-test/drive.mjs;
# ZELL_WEB_SHOTS=DIR keeps pictures of the phone's page). Skipped, with a
# message, where the page, Chromium or the test driver (npm ci by `make web-test-deps`) is missing.
set -u
build=$1
src=$2
site=$(cd "${ZELL_WEB_SITE:-$src/build-web/site}" 2>/dev/null && pwd)
driver_modules=${ZELL_WEB_TEST_MODULES:-$src/build-web/web-test/node_modules}
skip() { echo "skipped: $*"; echo "0 passed, 0 failed, 1 skipped"; exit 0; }
command -v chromium >/dev/null || skip "no chromium"
command -v node >/dev/null || skip "no node"
compgen -G "$site/zell-bowling-*.wasm" >/dev/null || skip "no browser build in $site (make web)"
[ -d "$driver_modules/puppeteer-core" ] || skip "no test driver in $driver_modules (make web-test-deps)"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp XDG_STATE_HOME=$tmp/state XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config

cat > "$tmp/same.script" <<'SCRIPT'
wait
shot menu.png
key Down
shot down.png
key Up
key Enter
shot game.png
click left 280 680
drag 280 680 320 600
shot throw.png
SCRIPT
# A whole game at speed 1 (menu G), twenty balls beside the pins, entered by a key after the game
# (which shows the table; a second key returns to the menu), then the Best 20 (menu D) from the
# table saved in a folder.
{
    echo "save $tmp/saved"; printf 'key Down\n%.0s' 1 2 3 4 5 6; printf 'key Enter\nkey Left\nkey Left\nkey Enter\n'
    printf 'key Up\n%.0s' 1 2 3 4 5 6; echo "key Enter"
    printf 'click left 100 680\ndrag 100 680 100 480\n%.0s' $(seq 20)
    printf 'key Space\nkey Space\nshot after.png\n'
    printf 'key Down\n%.0s' 1 2 3; printf 'key Enter\nshot best20.png\n'
} > "$tmp/best20.script"
# The same on a phone by taps alone: speed 1 (menu G, its first choice), a game started with a tap
# on A, twenty balls placed and thrown by touch, a tap to enter the score, a tap back to the menu,
# then the Best 20 (D) by a tap. (A tap's release comes with the next command's press, so the
# runner places each ball by a click: the page's taps come far apart.)
{
    echo "save $tmp/phone"; printf 'tap left 200 513\ntap left 204 423\nshot speed-tapped.png\ntap left 200 621\nwait\n'
    printf 'click left 100 680\ndrag 100 680 100 480\n%.0s' $(seq 20)
    printf 'tap left 300 300\ntap left 300 300\nshot phone-after.png\ntap left 200 567\nshot phone-best20.png\n'
} > "$tmp/phone.script"
for s in same best20 phone; do
    "$build/zell-script" "$tmp/$s.script" "$tmp/expected" >/dev/null || { echo "FAIL: the runner ($s)"; exit 1; }
done

# The driver's modules are found from a link beside it.
mkdir -p "$tmp/driver"
cp "$src/tools/web-test/drive.mjs" "$tmp/driver/"
ln -s "$(cd "$driver_modules" && pwd)" "$tmp/driver/node_modules"
if node "$tmp/driver/drive.mjs" "$site" "$tmp/expected" "$tmp/profile" "$tmp/browser.replay" ${ZELL_WEB_SHOTS:+"$ZELL_WEB_SHOTS"}; then
    # Recorded in the browser, verified on the desktop.
    echo "the browser's replay: $(wc -c <"$tmp/browser.replay") bytes"
    if ! env -u DISPLAY -u WAYLAND_DISPLAY "$build/zell-bowling" --verify "$tmp/browser.replay"; then
        echo "FAIL: the desktop's --verify of the browser's replay"
        exit 1
    fi
    echo "1 passed, 0 failed"
else
    echo "FAIL: the browser run"
    exit 1
fi
