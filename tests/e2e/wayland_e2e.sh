#!/usr/bin/env bash
# Tessel on Wayland, as most desktops now start it: a headless Weston, a session bus with the
# accessibility bus, Tessel given a package on the command line, and wayland_e2e.py deleting
# an entry through the Edit menu and checking the package with tessel-vp.
# Usage: tests/e2e/wayland_e2e.sh TESSEL TESSEL_VP
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session_bus.sh" "$@"
tessel=$1
tessel_vp=$2
source "$here/session.sh"

socket=tessel-wayland
weston --backend=headless-backend.so --socket=$socket --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || { echo "wayland e2e: weston did not start"; cat "$work/weston.log"; exit 1; }
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)

mkdir -p "$work/src"
printf 'first' >"$work/src/first.txt"
printf 'second' >"$work/src/second.txt"
package=$work/wayland.vp
"$tessel_vp" create "$package" "$work/src/first.txt" "$work/src/second.txt" >/dev/null

env -u DISPLAY QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=$socket QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  "$tessel" "$package" >"$work/tessel.log" 2>&1 &
pids+=($!)
timeout 120 /usr/bin/python3 "$here/wayland_e2e.py" "$package" "$tessel_vp"
status=$?
[ $status -eq 0 ] || { echo "wayland e2e: tessel said:"; cat "$work/tessel.log"; }
exit $status
