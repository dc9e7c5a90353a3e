#!/usr/bin/env bash
# CPU time and memory of the program in normal mode, breathing in a tray
# under Xvfb, with the glyph frame cache and without it, both in one run.
#   bench/tray_cpu.sh [build dir] [seconds]
set -euo pipefail
build=${1:-build}
seconds=${2:-30}
for b in launcher launcher_uncached; do
  [ -x "$build/bin/$b" ] || { echo "missing $build/bin/$b (cmake --build $build --target $b)" >&2; exit 1; }
done
command -v Xvfb trayer >/dev/null

work=$(mktemp -d)
pids=()
# The programs first, each waited for, while their display is still there:
# they stop their keep-awake helpers as at Quit. Then the tray, then Xvfb.
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((100 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb PELVANE_TEST_MODE=1
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Clock ticks of user and system time of a process.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }

declare -A pid
for b in launcher launcher_uncached; do
  mkdir -p "$work/$b"
  HOME=$work/$b XDG_CONFIG_HOME=$work/$b/.config "$build/bin/$b" >"$work/$b.log" 2>&1 &
  pid[$b]=$!
  pids+=($!)
done
sleep 5 # started, in normal mode, every frame seen once

declare -A before
for b in "${!pid[@]}"; do before[$b]=$(ticks "${pid[$b]}"); done
sleep "$seconds"
hz=$(getconf CLK_TCK)
printf '| build | CPU over %ss | CPU share | RSS |\n|---|---|---|---|\n' "$seconds"
for b in launcher launcher_uncached; do
  used=$(( $(ticks "${pid[$b]}") - ${before[$b]} ))
  awk -v u="$used" -v hz="$hz" -v s="$seconds" -v r="$(rss "${pid[$b]}")" -v b="$b" \
    'BEGIN { printf "| %s | %.2f s | %.1f %% | %.1f MB |\n", b, u / hz, 100 * u / hz / s, r / 1024 }'
done
