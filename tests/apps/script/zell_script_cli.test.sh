#!/usr/bin/env bash
# The scripted runner's command line: a malformed script is reported with its line number and the
# runner exits 2 without running (the golden scenarios run good scripts and check what they leave).
set -u
build=$1
runner="$build/zell-script"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf 'wait\nkey Enter\nfly 1 2\n' > "$tmp/bad.script"
err=$("$runner" "$tmp/bad.script" "$tmp/out-bad" 2>&1 >/dev/null); code=$?
[ $code -eq 2 ] || fail "malformed script exit code $code"
echo "$err" | grep -q 'line 3' || fail "no line number in: $err"
[ ! -e "$tmp/out-bad/log.txt" ] || fail "a malformed script must not run"

"$runner" "$tmp/missing.script" "$tmp/out" 2>/dev/null; code=$?
[ $code -eq 2 ] || fail "missing script exit code $code"

"$runner" 2>/dev/null; code=$?
[ $code -eq 2 ] || fail "no arguments exit code $code"

echo "1 passed, 0 failed"
