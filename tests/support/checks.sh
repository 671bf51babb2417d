# Sourced by the shell tests: failures counted by fail() and summed up by finish(), and a private
# Xvfb display.
FAILURES=0
fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }
# Ends the test: exit code 1 after any failure, else "all $1 checks passed".
finish() { [ $FAILURES -eq 0 ] || { echo "$FAILURES check(s) failed" >&2; exit 1; }; echo "all $1 checks passed"; }
# Starts Xvfb on a free display number, which it reports through -displayfd (files in folder $1);
# sets XVFB_PID and exports DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1600x1500x24 -nolisten tcp 3>"$1/display" 2>"$1/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 300); do [ -s "$1/display" ] && break; sleep 0.1; done
  [ -s "$1/display" ] || { cat "$1/xvfb.log" >&2; echo "FAIL: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$1/display")"
}
