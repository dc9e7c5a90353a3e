#!/bin/sh
# Runs the program's own self-test in a throw-away home folder and checks
# that it passes the way a caller sees it: exit 0, one line on stdout. The
# display (or none) is the caller's.
set -u
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_DATA_HOME="" PELVANE_TEST_MODE=1 \
  "$@" --self-test-forced >"$home/out" 2>"$home/err"
status=$?
cat "$home/out"
cat "$home/err" >&2
[ "$status" -eq 0 ] || { echo "exit status $status" >&2; exit 1; }
[ "$(cat "$home/out")" = "SELF-TEST OK" ] || { echo "unexpected output" >&2; exit 1; }
grep -q 'SELF-TEST FAIL' "$home/err" && exit 1
exit 0
