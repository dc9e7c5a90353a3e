# Sourced by the tray benches: a scratch folder, the processes started into
# it, and an X server to run them on.
# Processes end last started first: the programs stop their keep-awake
# helpers as at Quit while their tray and X server still run.
# BENCH_KEEP=1 keeps the scratch folder (logs, captures) for a look.
work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  [ -n "${BENCH_KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

# An Xvfb on display $1, waited for.
start_x() {
  Xvfb "$1" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do DISPLAY=$1 xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# Clock ticks of user and system time of a process.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
