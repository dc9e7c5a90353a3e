#!/bin/sh
# Runs the program's own self-test in a throw-away home folder and checks
# that it passes the way a caller sees it: exit 0, one line on stdout and
# nothing on stderr. The display (or none) is the caller's.
set -u
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A login session always has one; without it Qt itself complains on stderr.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$home/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
HOME="$home" XDG_DATA_HOME="" PELVANE_TEST_MODE=1 \
  "$@" --self-test-forced >"$home/out" 2>"$home/err"
status=$?
cat "$home/out"
cat "$home/err" >&2
[ "$status" -eq 0 ] || { echo "exit status $status" >&2; exit 1; }
[ "$(cat "$home/out")" = "SELF-TEST OK" ] || { echo "unexpected output" >&2; exit 1; }
[ -s "$home/err" ] && { echo "unexpected standard error" >&2; exit 1; }
exit 0
