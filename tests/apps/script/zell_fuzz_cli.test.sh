#!/usr/bin/env bash
# The fuzzer's command line: a few seeds run and pass, what they reach is kept, a corpus is
# replayed first, and a corpus script that does not end normally (here: one cut short by its
# time limit) fails the run, is reported and is saved with its log.
set -u
build=$1
fuzz="$build/zell-fuzz"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$("$fuzz" --seed 7 --runs 8 --commands 12 --keep --out "$tmp/a" 2>&1); code=$?
[ $code -eq 0 ] || fail "eight seeds: exit code $code: $out"
echo "$out" | grep -q '^zell-fuzz: 8 cases, 0 failed' || fail "no summary of 8 cases: $out"
ls "$tmp/a/keep/"seed-*.script >/dev/null 2>&1 || fail "nothing kept"
[ -s "$tmp/a/reached.txt" ] || fail "no reached.txt"

mkdir "$tmp/corpus"
printf 'key Up\nkey Enter\n' > "$tmp/corpus/end.script"
out=$("$fuzz" --corpus "$tmp/corpus" --runs 0 --out "$tmp/b" 2>&1); code=$?
[ $code -eq 0 ] || fail "a sound corpus: exit code $code: $out"
echo "$out" | grep -q 'replayed 1 corpus scripts, 0 failed' || fail "corpus not replayed: $out"

printf 'limit 2\nkey Enter\n' > "$tmp/corpus/cut.script"
out=$("$fuzz" --corpus "$tmp/corpus" --runs 0 --out "$tmp/c" 2>&1); code=$?
[ $code -eq 1 ] || fail "a run cut short by its limit must fail the fuzzer, exit code $code: $out"
echo "$out" | grep -q 'case corpus-cut FAILED' || fail "failure not reported: $out"
grep -q 'limit: virtual time reached the limit of 2 s' "$tmp/c/fail-corpus-cut.log" || fail "no log of the failure"
cmp -s "$tmp/corpus/cut.script" "$tmp/c/fail-corpus-cut.script" || fail "the failing script was not saved"

"$fuzz" --runs 2>/dev/null; code=$?
[ $code -eq 2 ] || fail "bad usage exit code $code"
echo "1 passed, 0 failed"
