#!/usr/bin/env bash
# `cmake --install` into a fresh prefix, and staged below DESTDIR, puts exactly the program, desktop
# entry, metainfo, manual page, documents and icons in their places; the installed program runs, the
# entry starts it by its installed name; the uninstall removes all of it, leaving nothing behind.
#
# Usage: bash install.test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

BUILD=$(cd "$1" && pwd)
SOURCE=$(cd "$2" && pwd)
ID=invalid.zell.bowling
SIZES="16 32 48 64 128 256"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

. "$(dirname "${BASH_SOURCE[0]}")/../../support/checks.sh"

# The files an installation below ROOT with prefix PREFIX must hold, sorted.
expected_files() {
    local root=$1 prefix=$2
    {
        echo "$root$prefix/bin/zell-bowling"
        echo "$root$prefix/share/applications/$ID.desktop"
        echo "$root$prefix/share/metainfo/$ID.metainfo.xml"
        echo "$root$prefix/share/man/man6/zell-bowling.6.gz"
        echo "$root$prefix/share/doc/zell-bowling/changelog.gz"
        echo "$root$prefix/share/doc/zell-bowling/copyright"
        for n in $SIZES; do echo "$root$prefix/share/icons/hicolor/${n}x$n/apps/zell-bowling.png"; done
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

    local entry=$base/share/applications/$ID.desktop
    cmp -s "$SOURCE/resources/$ID.desktop" "$entry" || fail "$what: the desktop entry differs from its source"
    # The entry names the program as it is installed.
    [ "$(sed -n 's/^Exec=//p' "$entry")" = "$(basename "$bin")" ] || fail "$what: Exec does not name the program"

    for n in $SIZES; do
        cmp -s "$BUILD/generated/icons/${n}x$n/zell-bowling.png" "$base/share/icons/hicolor/${n}x$n/apps/zell-bowling.png" ||
            fail "$what: the ${n}x$n icon differs"
    done
    echo "$what: installed below $base"
}

# The uninstall removes every installed file and the folders the install created.
check_uninstall() {
    local what=$1 destdir=$2 top=$3
    DESTDIR=$destdir cmake -DMANIFEST="$BUILD/install_manifest.txt" -P "$SOURCE/cmake/uninstall.cmake" >"$TMP/uninstall.log" 2>&1 ||
        { cat "$TMP/uninstall.log" >&2; fail "$what: the uninstall failed"; }
    [ ! -e "$top" ] || fail "$what: the uninstall left $(find "$top" | tr '\n' ' ')"
}

[ -x "$BUILD/zell-bowling" ] || { echo "FAIL: $BUILD/zell-bowling is not built" >&2; exit 1; }

# A prefix of its own, as `make install PREFIX=...` gives.
cmake --install "$BUILD" --prefix "$TMP/prefix" >"$TMP/install.log" 2>&1 ||
    { cat "$TMP/install.log" >&2; fail "cmake --install into a prefix failed"; }
check_installation "prefix" "" "$TMP/prefix"
check_uninstall "prefix" "" "$TMP/prefix"

# A system prefix staged below DESTDIR, as a package build does.
# Stripped, as `make install` installs it.
DESTDIR="$TMP/stage" cmake --install "$BUILD" --prefix /usr --strip >"$TMP/stage.log" 2>&1 ||
    { cat "$TMP/stage.log" >&2; fail "cmake --install below DESTDIR failed"; }
check_installation "DESTDIR" "$TMP/stage" "/usr"
if readelf -S "$TMP/stage/usr/bin/zell-bowling" | grep -qE '\.debug_|\.symtab'; then
    fail "DESTDIR: --strip left symbols or debug information in the program"
fi
check_uninstall "DESTDIR" "$TMP/stage" "$TMP/stage"
# A folder that was there before the install stays after the uninstall.
mkdir -p "$TMP/stage2/usr/share"
DESTDIR="$TMP/stage2" cmake --install "$BUILD" --prefix /usr >"$TMP/stage.log" 2>&1 ||
    { cat "$TMP/stage.log" >&2; fail "cmake --install below DESTDIR failed"; }
check_uninstall "DESTDIR" "$TMP/stage2" "$TMP/stage2/usr/bin"
[ -d "$TMP/stage2/usr/share" ] && [ -z "$(ls -A "$TMP/stage2/usr/share")" ] ||
    fail "DESTDIR: the uninstall removed a folder it had not created, or left files in it"

finish install
