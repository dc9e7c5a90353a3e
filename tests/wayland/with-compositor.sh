#!/usr/bin/env bash
# Runs a test program under headless Wayland compositors, each on a private
# session bus: sway (wlroots) and mutter (GNOME's). The program runs once per
# compositor with WAYLAND_DISPLAY (an absolute path), LAUNCHER_TEST_COMPOSITOR
# and, under sway, SWAYSOCK set, and DISPLAY unset.
#
#   with-compositor.sh [sway|mutter|all] -- program [arguments...]
#
# A compositor that is not installed is skipped with a message; when every
# one is skipped the exit status is 77, which CTest reports as skipped.
# sway refuses to run as root, so under root it runs as an unprivileged user,
# created when missing; root still reaches its sockets.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wayland_user=launcher-wayland

which_ones=${1:-all}
shift || true
[ "${1:-}" = "--" ] && shift
[ $# -gt 0 ] || { echo "usage: $0 [sway|mutter|all] -- program [arguments...]" >&2; exit 2; }

# The inner half runs inside dbus-run-session, for one compositor.
if [ "$which_ones" = "--inner-sway" ] || [ "$which_ones" = "--inner-mutter" ]; then
  compositor=${which_ones#--inner-}
  work=$(mktemp -d /tmp/launcher-wayland.XXXXXX)
  chmod 700 "$work"
  compositor_pid=""
  cleanup() {
    if [ -n "$compositor_pid" ]; then
      kill -TERM -- "-$compositor_pid" 2>/dev/null
      for _ in $(seq 50); do kill -0 "$compositor_pid" 2>/dev/null || break; sleep 0.1; done
      kill -KILL -- "-$compositor_pid" 2>/dev/null
      wait "$compositor_pid" 2>/dev/null
    fi
    rm -rf "$work"
  }
  trap cleanup EXIT
  # The program's own runtime folder, apart from the compositor's.
  mkdir -m 700 "$work/run"
  export XDG_RUNTIME_DIR="$work/run"
  unset DISPLAY WAYLAND_DISPLAY SWAYSOCK

  case "$compositor" in
    sway)
      rundir="$work/sway"
      mkdir -m 700 "$rundir"
      cat > "$work/sway.conf" <<'CONF'
output * bg #3a6ea5 solid_color
output * resolution 1280x800
default_border none
xwayland disable
bar {
  position top
  tray_output none
  colors {
    background #c04040
  }
}
CONF
      as_user=()
      if [ "$(id -u)" -eq 0 ]; then
        if ! id "$wayland_user" >/dev/null 2>&1; then
          useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$wayland_user" \
            || { echo "cannot create the user $wayland_user for sway" >&2; exit 1; }
        fi
        chown "$wayland_user:" "$rundir"
        chmod 755 "$work"
        chmod 644 "$work/sway.conf"
        as_user=(setpriv --reuid="$wayland_user" --regid="$wayland_user" --clear-groups)
      fi
      setsid env XDG_RUNTIME_DIR="$rundir" HOME="$rundir" WLR_BACKENDS=headless WLR_RENDERER=pixman \
        WLR_LIBINPUT_NO_DEVICES=1 "${as_user[@]}" sway -c "$work/sway.conf" >"$work/compositor.log" 2>&1 &
      compositor_pid=$!
      ready() { ls "$rundir"/wayland-? >/dev/null 2>&1 && ls "$rundir"/sway-ipc.*.sock >/dev/null 2>&1; }
      ;;
    mutter)
      rundir="$work/mutter"
      mkdir -m 700 "$rundir"
      setsid env XDG_RUNTIME_DIR="$rundir" XDG_SESSION_TYPE=wayland \
        mutter --wayland --headless --no-x11 --virtual-monitor 1280x800 >"$work/compositor.log" 2>&1 &
      compositor_pid=$!
      ready() {
        ls "$rundir"/wayland-? >/dev/null 2>&1 && dbus-send --session --print-reply --dest=org.freedesktop.DBus \
          /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.gnome.Mutter.DisplayConfig 2>/dev/null \
          | grep -q 'boolean true'
      }
      ;;
  esac

  for _ in $(seq 150); do
    ready && break
    kill -0 "$compositor_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! ready; then
    echo "$compositor did not start:" >&2
    cat "$work/compositor.log" >&2
    exit 1
  fi
  WAYLAND_DISPLAY=$(ls "$rundir"/wayland-? | head -n 1)
  export WAYLAND_DISPLAY LAUNCHER_TEST_COMPOSITOR="$compositor"
  if [ "$compositor" = sway ]; then
    SWAYSOCK=$(ls "$rundir"/sway-ipc.*.sock | head -n 1)
    export SWAYSOCK
  fi
  "$@"
  status=$?
  [ $status -ne 0 ] && { echo "--- $compositor's log:" >&2; tail -n 40 "$work/compositor.log" >&2; }
  exit $status
fi

case "$which_ones" in
  all) compositors=(sway mutter) ;;
  sway|mutter) compositors=("$which_ones") ;;
  *) echo "unknown compositor: $which_ones" >&2; exit 2 ;;
esac

ran=0
failed=0
for c in "${compositors[@]}"; do
  if ! command -v "$c" >/dev/null; then
    echo "SKIP: $c is not installed (Debian package $c)"
    continue
  fi
  echo "=== under $c"
  ran=1
  dbus-run-session -- "$here/with-compositor.sh" "--inner-$c" -- "$@" || failed=1
done
[ $ran -eq 0 ] && exit 77
exit $failed
