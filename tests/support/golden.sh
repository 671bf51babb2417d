#!/usr/bin/env bash
# Golden scenarios: tests/golden/NAME.script runs through the scripted runner and every file it leaves
# (text dumps, screenshots, log.txt) must equal tests/golden/NAME/ byte for byte. Screenshots named
# hash-*.png are kept as their SHA-256 sums only (shots.sha256), so that many pictures cost little.
#   golden.sh BUILD SOURCE NAME        compares one scenario; the actual files stay in BUILD/golden-out/NAME
#   golden.sh --record BUILD SOURCE    re-records the expected files of every scenario
set -u
record=0
if [ "${1:-}" = --record ]; then record=1; shift; fi
build=$(realpath "$1") src=$(realpath "$2")

# Runs one scenario into a fresh folder, with the program's home and XDG folders in a temporary one.
run() {
  rm -rf "$2" && mkdir -p "$2" || return 1
  "$src/tests/support/temp-home.sh" "$build/zell-script" "$src/tests/golden/$1.script" "$2" >/dev/null
  echo "exit code $?" >>"$2/log.txt"
  (cd "$2" && if ls hash-*.png >/dev/null 2>&1; then sha256sum hash-*.png >shots.sha256; fi)
}

# The rows of two text files that differ, with their row numbers (row 0 is the first line).
rows() {
  awk 'NR == FNR { e[FNR] = $0; n = FNR; next } { a[FNR] = $0; m = FNR }
       END { if (m > n) n = m
             for (i = 1; i <= n; ++i) if (e[i] != a[i])
               printf "  row %2d expected |%s|\n         actual   |%s|\n", i - 1, e[i], a[i] }' "$1" "$2"
}

if [ $record = 1 ]; then
  for script in "$src"/tests/golden/*.script; do
    name=$(basename "$script" .script)
    run "$name" "$src/tests/golden/$name" || exit 1
    rm -f "$src/tests/golden/$name"/hash-*.png
    echo "recorded $name"
  done
  exit 0
fi

name=$3 expected=$src/tests/golden/$3 actual=$build/golden-out/$3
run "$name" "$actual" || exit 1
status=0
for f in $( (ls "$expected"; ls "$actual") | grep -v '^hash-.*\.png$' | sort -u); do
  if [ ! -e "$expected/$f" ] || [ ! -e "$actual/$f" ]; then
    echo "$f: only in $([ -e "$expected/$f" ] && echo expected || echo actual)"
    status=1
  elif ! cmp -s "$expected/$f" "$actual/$f"; then
    echo "$f differs:"
    case $f in *.txt) rows "$expected/$f" "$actual/$f" ;; esac
    status=1
  fi
done
[ $status = 0 ] || echo "actual files: $actual (make golden re-records the expected ones)"
exit $status
