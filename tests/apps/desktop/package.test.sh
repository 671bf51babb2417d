#!/usr/bin/env bash
# The Debian package CPack builds from this build tree holds exactly the installed files, the program
# stripped, the build's version, dependencies computed from the program plus the SoundFont
# recommendation; lintian finds no error, and its metainfo, desktop entry and manual page pass
# their validators. Skipped (exit 77) where the Debian tools are missing.
#
# Usage: bash package.test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

BUILD=$(cd "$1" && pwd)
ID=invalid.zell.bowling
for tool in cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli desktop-file-validate man groff; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed (see debian-packages.txt)"; exit 77; }
done
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
export HOME=$TMP XDG_CACHE_HOME=$TMP/cache XDG_CONFIG_HOME=$TMP/config XDG_DATA_HOME=$TMP/data \
    XDG_STATE_HOME=$TMP/state

. "$(dirname "${BASH_SOURCE[0]}")/../../support/checks.sh"

VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
[ -n "$VERSION" ] || { echo "FAIL: no project version in $BUILD/CMakeCache.txt" >&2; exit 1; }

cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$TMP/out" >"$TMP/cpack.log" 2>&1 ||
    { cat "$TMP/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }
DEB=$(ls "$TMP"/out/zell-bowling_"$VERSION"_*.deb 2>/dev/null)
[ -f "$DEB" ] || { cat "$TMP/cpack.log" >&2; echo "FAIL: no package zell-bowling_${VERSION}_*.deb" >&2; exit 1; }
echo "package: $(basename "$DEB"), $(stat -c %s "$DEB") bytes"

# The files, as `dpkg-deb -c` lists them.
dpkg-deb -c "$DEB" | awk '{print $1, $2, $NF}' | tee "$TMP/list"
{
    echo ./usr/games/zell-bowling
    echo ./usr/share/applications/$ID.desktop
    echo ./usr/share/doc/zell-bowling/changelog.gz
    echo ./usr/share/doc/zell-bowling/copyright
    for n in 16 32 48 64 128 256; do echo ./usr/share/icons/hicolor/${n}x$n/apps/zell-bowling.png; done
    echo ./usr/share/man/man6/zell-bowling.6.gz
    echo ./usr/share/metainfo/$ID.metainfo.xml
} | sort >"$TMP/expected"
diff -u "$TMP/expected" <(awk '$1 !~ /^d/ {print $3}' "$TMP/list" | sort) || fail "the package holds other files"
awk '$2 != "root/root" {found = 1} END {exit !found}' "$TMP/list" && fail "files not owned by root"

# The control fields.
field() { dpkg-deb -f "$DEB" "$1"; }
echo "Depends: $(field Depends)"
echo "Recommends: $(field Recommends)"
[ "$(field Version)" = "$VERSION" ] || fail "Version is $(field Version), expected $VERSION"
depends=$(field Depends | sed 's/ ([^)]*)//g; s/, /\n/g')
for lib in libsdl2-2.0-0 libfluidsynth3 librtmidi6 libstdc++6 libc6; do
    grep -qxF "$lib" <<<"$depends" || fail "Depends lacks $lib"
done
[ "$(field Recommends)" = "timgm6mb-soundfont | sf2-soundfont-gm" ] || fail "Recommends is $(field Recommends)"

dpkg-deb -x "$DEB" "$TMP/root"
if readelf -S "$TMP/root/usr/games/zell-bowling" | grep -qE '\.debug_|\.symtab'; then
    fail "the packaged program is not stripped"
fi
# The version the program reports, where it takes --version.
if out=$("$TMP/root/usr/games/zell-bowling" --version 2>&1); then
    grep -qF "$VERSION" <<<"$out" || fail "--version says \"$out\", not $VERSION"
else
    echo "the program takes no --version, its version was not checked"
fi

# The validators. lintian's errors fail the test; its warnings are shown.
lintian --no-cfg --display-info "$DEB" >"$TMP/lintian" 2>&1
cat "$TMP/lintian"
grep -q '^E:' "$TMP/lintian" && fail "lintian reports errors"
appstreamcli validate --no-net "$TMP/root/usr/share/metainfo/$ID.metainfo.xml" || fail "appstreamcli rejects the metainfo"
grep -qF "<release version=\"$VERSION\"" "$TMP/root/usr/share/metainfo/$ID.metainfo.xml" ||
    fail "the metainfo has no release $VERSION"
entry=$TMP/root/usr/share/applications/$ID.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
grep -qxF "Exec=/usr/games/zell-bowling" "$entry" || fail "the desktop entry does not start /usr/games/zell-bowling"
page=$TMP/root/usr/share/man/man6/zell-bowling.6.gz
warnings=$( { LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >/dev/null; } 2>&1)
[ -z "$warnings" ] || fail "man -l warns: $warnings"
warnings=$(zcat "$page" | groff -ww -man -Tutf8 -z 2>&1)
[ -z "$warnings" ] || fail "groff -ww warns: $warnings"
zcat "$page" | grep -qF "$VERSION" || fail "the manual page does not give version $VERSION"

finish package
