#!/usr/bin/env bash
# Replays from the command line, without a display: a game recorded by the scripted runner
# verifies (exit 0, the sheet and the score), a changed throw exits 3 naming its frame and throw,
# an unreadable file exits 2 naming its line; --no-save records nothing; damaged replays from the
# fuzzer end with 0, 2 or 3, never a crash or a hang.
set -u
build=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
verify() {  # standard output and error in $out, exit code in $code
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$build/zell-bowling" --verify "$1" 2>&1); code=$?
}

# The sheet's marks (one character a throw: X / - 1..9, blank when not thrown) scored again by
# the rules of the game: every total shown, and the final score, must be what its marks make.
sheet_scores() {
    echo "$1" | awk '
    function pins(f, k) { return r[first[f] + k] }
    /^frame / { f = substr($0, 7, 2) + 0; first[f] = n + 1; if ($(NF - 1) == "total") total[f] = $NF
        for (k = 11; k <= 13; k += 2) { c = substr($0, k, 1)
            if (c == " ") continue
            if (c !~ /^[-X\/1-9]$/) { print "mark " c " in: " $0; bad = 1 }
            v = c == "X" ? 10 : c == "/" ? 10 - r[n] : c == "-" ? 0 : c + 0
            if (k == 13 && c ~ /[-1-9]/ && substr($0, 11, 1) ~ /[-1-9]/ && r[n] + v == 10) {
                print "a spare not marked /: " $0; bad = 1 }
            r[++n] = v } }
    /^final score/ { final = $3 + 0 }
    END { for (f = 1; f in total; f++) {
              sum += pins(f, 0) + pins(f, 1) + (pins(f, 0) + pins(f, 1) >= 10) * pins(f, 2)  # a strike or a spare
              if (sum != total[f]) { print "frame " f ": total " total[f] " where the marks make " sum; bad = 1 } }
          if (final != "" && final != sum) { print "final " final " where the marks make " sum; bad = 1 }
          exit bad }'
}

game() {  # game SAVE_DIR [ARGS]: one game thrown from places along the line, then the script ends
    { echo "save $1"; [ -n "${2:-}" ] && echo "args $2"; echo "key Enter"
      for x in $(seq 140 5 250); do echo "click left $x 680"; echo "drag $x 680 $((x + 10)) 470"; done
      echo "key Space"; echo "key Space"; } >"$work/game.script"
    "$build/zell-script" "$work/game.script" "$work" >/dev/null || fail "the scripted game failed"
}
game "$work/save"
file=$(ls "$work"/save/replays/*.replay) || fail "no replay recorded"
[ "$(echo "$file" | wc -l)" = 1 ] || fail "more than one replay: $file"
verify "$file"
[ "$code" = 0 ] || fail "verify: exit code $code: $out"
echo "$out" | grep -q "^frame 10 " || fail "no score sheet: $out"
echo "$out" | grep -q "^final score [0-9]*: every throw matches" || fail "no final score: $out"
sheet_scores "$out" || fail "the sheet does not add up: $out"

# The x of the fifth throw's place (frame 3, throw 1), changed: refused at that throw.
awk '/^throw 2 2 / { t = 1 } t == 1 && / position 0 / { $NF = $NF + 3; t = 2 } 1' \
    "$file" >"$work/changed.replay"
cmp -s "$file" "$work/changed.replay" && fail "no place to change"
verify "$work/changed.replay"
[ "$code" = 3 ] || fail "changed: exit code $code: $out"
echo "$out" | grep -q "^diverged: frame 3 throw 1: " || fail "changed: no frame and throw: $out"

sed '5s/.*/level 7/' "$file" >"$work/bad.replay"
verify "$work/bad.replay"
[ "$code" = 2 ] && echo "$out" | grep -q "line 5: " || fail "bad level: exit code $code: $out"
verify "$work/missing.replay"
[ "$code" = 2 ] || fail "missing file: exit code $code: $out"
mkfifo "$work/fifo.replay"
verify "$work/fifo.replay"
[ "$code" = 2 ] || fail "fifo: exit code $code: $out"

# The kept replays (the documented example, the fuzzer's corpus) still play exactly: a change of
# what the game reads or computes that they no longer follow needs a new format version.
for f in "$src"/docs/example.replay "$src"/tests/fuzz-corpus/*.replay; do
    verify "$f"
    [ "$code" = 0 ] || fail "$(basename "$f") no longer verifies: $out"
    sheet_scores "$out" || fail "$(basename "$f"): the sheet does not add up: $out"
done

game "$work/nosave" --no-save
[ -e "$work/nosave/replays" ] && fail "--no-save recorded a replay"

"$build/zell-fuzz-replay" --corpus "$src/tests/fuzz-corpus" --runs 150 --out "$work/fuzz" --watchdog 60 ||
    fail "the replay fuzzer found a fault (seeds 1..150)"
echo "ok"
