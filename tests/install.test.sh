#!/usr/bin/env bash
# Installation: `cmake --install` into a fresh prefix, and staged below DESTDIR,
# puts exactly the program, its desktop entry and (once the build generates it)
# its icon in their places; the installed program runs, and the desktop entry
# starts it by the installed name and is valid (checked with desktop-file-validate
# where desktop-file-utils is installed).
#
# Usage: bash install.test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

BUILD=$(cd "$1" && pwd)
SOURCE=$(cd "$2" && pwd)
ICON=$BUILD/generated/zell-bowling.png
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

FAILURES=0
fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}

# The files an installation below ROOT with prefix PREFIX must hold, sorted.
expected_files() {
    local root=$1 prefix=$2
    {
        echo "$root$prefix/bin/zell-bowling"
        echo "$root$prefix/share/applications/zell-bowling.desktop"
        [ -f "$ICON" ] && echo "$root$prefix/share/icons/hicolor/64x64/apps/zell-bowling.png"
    } | sort
}

# Checks one installation below ROOT with prefix PREFIX.
check_installation() {
    local what=$1 root=$2 prefix=$3
    local base=$root$prefix
    diff -u <(expected_files "$root" "$prefix") <(find "${root:-$prefix}" -type f | sort) ||
        fail "$what: other files than expected were installed"

    local bin=$base/bin/zell-bowling
    [ -x "$bin" ] || fail "$what: $bin is not executable"
    # Without a display the program starts, finds its libraries, and says why it cannot open a window.
    local out
    out=$(SDL_VIDEODRIVER=x11 DISPLAY=:9999 "$bin" 2>&1)
    local rc=$?
    [ $rc -eq 1 ] || fail "$what: the installed program exits with $rc without a display, expected 1"
    grep -q "cannot open a window" <<<"$out" || fail "$what: the installed program says: $out"

    local entry=$base/share/applications/zell-bowling.desktop
    cmp -s "$SOURCE/resources/zell-bowling.desktop" "$entry" || fail "$what: the desktop entry differs from its source"
    for line in "Name=Zell Bowling" "Exec=zell-bowling" "Icon=zell-bowling" "Type=Application" \
        "Categories=Game;ArcadeGame;"; do
        grep -qxF "$line" "$entry" || fail "$what: the desktop entry lacks \"$line\""
    done
    # The entry names the program as it is installed.
    [ "$(sed -n 's/^Exec=//p' "$entry")" = "$(basename "$bin")" ] || fail "$what: Exec does not name the program"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entry" || fail "$what: desktop-file-validate rejects the entry"
    else
        echo "$what: desktop-file-validate is not installed, the entry was not validated"
    fi

    if [ -f "$ICON" ]; then
        cmp -s "$ICON" "$base/share/icons/hicolor/64x64/apps/zell-bowling.png" || fail "$what: the icon differs"
    fi
    echo "$what: installed below $base"
}

[ -x "$BUILD/zell-bowling" ] || { echo "FAIL: $BUILD/zell-bowling is not built" >&2; exit 1; }

# A prefix of its own, as `make install PREFIX=...` gives.
cmake --install "$BUILD" --prefix "$TMP/prefix" >"$TMP/install.log" 2>&1 ||
    { cat "$TMP/install.log" >&2; fail "cmake --install into a prefix failed"; }
check_installation "prefix" "" "$TMP/prefix"

# A system prefix staged below DESTDIR, as a package build does.
DESTDIR="$TMP/stage" cmake --install "$BUILD" --prefix /usr >"$TMP/stage.log" 2>&1 ||
    { cat "$TMP/stage.log" >&2; fail "cmake --install below DESTDIR failed"; }
check_installation "DESTDIR" "$TMP/stage" "/usr"

if [ $FAILURES -ne 0 ]; then
    echo "$FAILURES check(s) failed" >&2
    exit 1
fi
echo "all install checks passed"
