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

. "$(dirname "$0")/scratch.sh"

display=:$((100 + RANDOM % 400))
start_x "$display"
export DISPLAY=$display DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb PELVANE_TEST_MODE=1
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 1

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
