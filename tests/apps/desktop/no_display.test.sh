#!/usr/bin/env bash
# Without a display the program says which display is missing on standard error, with no
# unrelated noise, and exits non-zero at once. The command line is answered without a display.
set -u
build=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
run() {  # run ENV... -- ARGS...: standard error (and output) in $out, exit code in $code
    local envs=()
    while [ "$1" != -- ]; do envs+=("$1"); shift; done
    shift
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_RUNTIME_DIR HOME="$home" \
          XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" \
          ZELL_MIDI_PORT=none "${envs[@]}" timeout 20 "$build/zell-bowling" "$@" 2>&1); code=$?
}
while IFS='|' read -r envs args want_code want; do
    # shellcheck disable=SC2086
    run $envs -- $args
    [ "$code" -eq "$want_code" ] || fail "$envs $args: exit code $code, not $want_code: $out"
    echo "$out" | grep -q -- "$want" || fail "$envs $args: no \"$want\" in: $out"
    if echo "$out" | grep -q XDG_RUNTIME_DIR && [ "$envs" = "DISPLAY=:97" ]; then fail "noise: $out"; fi
done <<'ROWS'
A=1||1|neither DISPLAY nor WAYLAND_DISPLAY is set
DISPLAY=:97||1|cannot open the display DISPLAY=:97
WAYLAND_DISPLAY=wayland-97||1|WAYLAND_DISPLAY=wayland-97: XDG_RUNTIME_DIR is not set
A=1|--no-save --fullscreen|1|cannot open a window
A=1|--bogus|2|usage: zell-bowling
A=1|--scale 0|2|--scale needs
A=1|--help|0|--scale-mode sharp|integer
A=1|--version|0|^zell-bowling [0-9]
ROWS
[ -z "$(ls -A "$home")" ] || fail "files written: $(find "$home")"
echo "8 passed, 0 failed"
