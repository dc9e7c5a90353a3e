#!/usr/bin/env bash
# What the tray item costs the desktop in normal mode, in one run: on Xfce's
# panel (a StatusNotifier host) on a session bus of its own, the bytes per
# second on the bus that the item sends or is sent, and the CPU of the
# program, the panel with its tray plugin and dbus-daemon; in trayer (XEmbed), the CPU of the
# program and the tray. Files created meanwhile in the program's temporary
# folders are counted.
#   bench/tray_dbus.sh [build dir] [seconds] [--ayatana]
# --ayatana puts Ayatana's indicator service up as the StatusNotifier watcher.
# BENCH_KEEP=1 keeps the scratch folder (logs, capture) for a look.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-build}")
seconds=${2:-30}
ayatana=${3:-}
program=$build/bin/launcher
[ -x "$program" ] || { echo "missing $program" >&2; exit 1; }
for tool in Xvfb trayer xfce4-panel dbus-monitor dbus-send inotifywait python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
if [ -z "${TRAY_BENCH_BUS:-}" ]; then
  exec dbus-run-session -- env TRAY_BENCH_BUS=1 "$0" "$build" "$seconds" "$ayatana"
fi

. "$here/scratch.sh"

bus() { dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus / "org.freedesktop.DBus.$1" "${@:2}"; }

# Xfce's panel with its tray alone, configured under $work.
sn_display=:$((100 + RANDOM % 200))
xembed_display=:$((300 + RANDOM % 200))
start_x "$sn_display"
start_x "$xembed_display"
mkdir -p "$work/config/xfce4/xfconf/xfce-perchannel-xml" "$work/tmp" "$work/runtime"
chmod 700 "$work/runtime"
cp "$here/../tests/app/xfce4-panel.xml" "$work/config/xfce4/xfconf/xfce-perchannel-xml/"
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
# No accessibility bus: it would outlive the run.
export DISPLAY=$sn_display TMPDIR=$work/tmp XDG_RUNTIME_DIR=$work/runtime NO_AT_BRIDGE=1
dbus-update-activation-environment XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME DISPLAY TMPDIR XDG_RUNTIME_DIR NO_AT_BRIDGE
if [ "$ayatana" = --ayatana ]; then
  /usr/libexec/ayatana-indicator-application/ayatana-indicator-application-service >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi
xfce4-panel --disable-wm-check >/dev/null 2>&1 &
panel=$!
pids+=($panel)
for _ in $(seq 100); do
  bus NameHasOwner string:org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true && break
  sleep 0.1
done
sleep 1
export DISPLAY=$xembed_display
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
trayer_pid=$!
sleep 1

inotifywait -m -q -e create -e moved_to "$work/tmp" "$work/runtime" >"$work/created" 2>/dev/null &
pids+=($!)
for side in sn xembed; do
  mkdir -p "$work/home-$side"
  if [ $side = sn ]; then
    DISPLAY=$sn_display HOME=$work/home-$side XDG_DATA_HOME=$work/home-$side/.local/share \
      XDG_CONFIG_HOME=$work/home-$side/.config PELVANE_TEST_MODE=1 QT_QPA_PLATFORM=xcb "$program" >"$work/$side.log" 2>&1 &
  else
    mkdir -m 700 "$work/runtime-$side" "$work/tmp-$side"
    DISPLAY=$xembed_display DBUS_SESSION_BUS_ADDRESS=disabled: HOME=$work/home-$side XDG_RUNTIME_DIR=$work/runtime-$side \
      XDG_DATA_HOME=$work/home-$side/.local/share XDG_CONFIG_HOME=$work/home-$side/.config \
      TMPDIR=$work/tmp-$side PELVANE_TEST_MODE=1 QT_QPA_PLATFORM=xcb "$program" >"$work/$side.log" 2>&1 &
  fi
  pids+=($!)
  eval "${side}_pid=$!"
done
sleep 5 # started, in normal mode, drawn once

# The item's names: its unique connection name and the well-known one Qt gives it.
names=("org.kde.StatusNotifierItem-$sn_pid-1")
for name in $(bus ListNames | tr -s ' ' '\n' | grep '^:'); do
  [ "$(bus GetConnectionUnixProcessID "string:$name" 2>/dev/null | awk '{print $2}')" = "$sn_pid" ] && names+=("$name")
done
daemon=$(pgrep -P "$PPID" -x dbus-daemon | head -1)
# The panel runs its tray plugin, the StatusNotifier host, in a wrapper process.
host=("$panel" $(pgrep -P "$panel"))

dbus-monitor --session --pcap >"$work/capture.pcap" 2>/dev/null &
monitor=$!
pids+=($monitor)
: >"$work/created"
declare -A before
for p in "$sn_pid" "$xembed_pid" "${host[@]}" "$trayer_pid" "$daemon"; do before[$p]=$(ticks "$p"); done
sleep "$seconds"
declare -A used
for p in "${!before[@]}"; do used[$p]=$(( $(ticks "$p") - ${before[$p]} )); done
created=$(grep -c . "$work/created" || true)
kill "$monitor"; wait "$monitor" 2>/dev/null || true
read -r bytes messages < <(python3 "$here/dbus_item_bytes.py" "$work/capture.pcap" "${names[@]}")

host_used=0
for p in "${host[@]}"; do host_used=$((host_used + ${used[$p]})); done
hz=$(getconf CLK_TCK)
share() { awk -v u="$1" -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f %%", 100 * u / hz / s }'; }
printf '| tray | item on the bus | messages | program CPU | host CPU | dbus-daemon CPU | files created |\n'
printf '|---|---|---|---|---|---|---|\n'
printf '| StatusNotifier (xfce4-panel%s) | %s | %s/s | %s | %s | %s | %s |\n' \
  "$([ "$ayatana" = --ayatana ] && echo ', Ayatana watcher')" \
  "$(awk -v b="$bytes" -v s="$seconds" 'BEGIN { printf "%.2f KB/s", b / 1024 / s }')" \
  "$(awk -v m="$messages" -v s="$seconds" 'BEGIN { printf "%.1f", m / s }')" \
  "$(share "${used[$sn_pid]}")" "$(share "$host_used")" "$(share "${used[$daemon]}")" "$created"
printf '| XEmbed (trayer) | - | - | %s | %s | - | - |\n' "$(share "${used[$xembed_pid]}")" "$(share "${used[$trayer_pid]}")"
