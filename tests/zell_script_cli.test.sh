#!/usr/bin/env bash
# The scripted runner's command line: a malformed script is reported with its line number and the
# runner exits 2 without running; a good script runs and leaves log.txt in the output folder.
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

printf '# nothing but waiting\nwait\nshot first.png\ntext first.txt\nclose\n' > "$tmp/ok.script"
"$runner" "$tmp/ok.script" "$tmp/out-ok"; code=$?
[ $code -eq 0 ] || fail "closing the window must exit 0, got $code"
[ -s "$tmp/out-ok/log.txt" ] || fail "no log.txt"
grep -q 'ended: window closed, exit code 0' "$tmp/out-ok/log.txt" || fail "log: $(cat "$tmp/out-ok/log.txt")"
[ -s "$tmp/out-ok/first.png" ] || fail "no screenshot"
[ "$(wc -l < "$tmp/out-ok/first.txt")" -eq 39 ] || fail "text dump is not 39 lines"
echo "1 passed, 0 failed"
