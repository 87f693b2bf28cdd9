#!/usr/bin/env bash
# The window driven through its accessibility tree, headless: a virtual X display, a session
# bus with the accessibility bus, Tessel with accessibility on, and accessibility_e2e.py
# reading and pressing what a screen reader would.
# Usage: tests/e2e/accessibility_e2e.sh TESSEL TESSEL_VP
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session_bus.sh" "$@"
tessel=$1
tessel_vp=$2
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
source "$here/lib.sh" 200
mkdir -p "$XDG_CONFIG_HOME/tessel"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
openbox >/dev/null 2>&1 &
pids+=($!)

# A package of our own, first in Open Recent, so that opening it is a menu away.
mkdir -p "$work/src/data/maps"
printf '%070d' 0 >"$work/src/data/ships.tbl"
printf '%048d' 0 >"$work/src/data/weapons.tbl"
package=$work/e2e.vp
"$tessel_vp" create "$package" "$work/src/data" >/dev/null
printf 'added by a dialog' >"$work/src/added.txt"
# The read-only package: on a read-only file system for root, who writes past permissions.
readonly_place=$work/readonly
mkdir -p "$readonly_place"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=1m tessel-e2e "$readonly_place" 2>/dev/null; then
  "$tessel_vp" create "$readonly_place/locked.vp" "$work/src/added.txt" >/dev/null
  mount -o remount,ro "$readonly_place"
  trap 'umount "$readonly_place" 2>/dev/null; cleanup' EXIT
else
  "$tessel_vp" create "$readonly_place/locked.vp" "$work/src/added.txt" >/dev/null
  chmod 0444 "$readonly_place/locked.vp"
fi
printf '[packages]\nrecent=%s, %s\n' "$package" "$readonly_place/locked.vp" >"$XDG_CONFIG_HOME/tessel/tessel.conf"

"$tessel" >"$work/tessel.log" 2>&1 &
pids+=($!)
timeout 120 /usr/bin/python3 "$here/accessibility_e2e.py" "$package" "$tessel_vp" "$work/src/added.txt"
status=$?
[ $status -eq 0 ] || { echo "accessibility e2e: tessel said:"; cat "$work/tessel.log"; }
exit $status
