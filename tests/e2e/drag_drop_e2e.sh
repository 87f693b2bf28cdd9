#!/usr/bin/env bash
# Real drags between Tessel and a file manager (pcmanfm) on a virtual X display, driven by
# xdotool: entries dragged out arrive as files and the drag's temporary folder goes; a drag
# cancelled with Escape writes nothing; files and a folder dropped in land in the package.
# Real drags depend on timing, so each scenario is tried up to three times.
# Usage: tests/e2e/drag_drop_e2e.sh TESSEL TESSEL_VP
set -uo pipefail
tessel=$1
tessel_vp=$2
export NO_AT_BRIDGE=1
source "$(dirname "$0")/lib.sh" 90
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# The rows are found by where they stand: the list alone fills the window's middle.
mkdir -p "$XDG_CONFIG_HOME/tessel"
printf '[window]\nfolderTreeShown=false\npreviewShown=false\n' >"$XDG_CONFIG_HOME/tessel/tessel.conf"

temp="$TMPDIR/VPtmp-$(id -u)"
package=$work/p.vp
outside=$work/outside
source=$work/source
mkdir -p "$outside" "$source/dropdir/inner"
printf 'first file' >"$source/one.txt"
printf 'second file' >"$source/two.txt"
printf 'deep' >"$source/dropdir/inner/deep.txt"
mkdir -p "$work/build/folder"
printf 'alpha' >"$work/build/alpha.txt"
printf 'inside' >"$work/build/folder/inside.txt"
"$tessel_vp" create "$package" "$work/build/alpha.txt" "$work/build/folder" >/dev/null

start_window() { # start_window NAME COMMAND...: the window id once it shows
  local name=$1
  shift
  "$@" >/dev/null 2>&1 &
  pids+=($!)
  timeout 60 xdotool search --sync --onlyvisible --name "$name" 2>/dev/null | head -1
}

tessel_window=$(start_window "^Tessel [0-9]" "$tessel")
xdotool windowmove "$tessel_window" 0 0
xdotool windowsize "$tessel_window" 640 400
xdotool windowactivate --sync "$tessel_window" >/dev/null 2>&1
xdotool key ctrl+o
sleep 1.5
xdotool type --delay 15 "$package"
xdotool key Return
sleep 1.5

fm_window=$(start_window "outside" pcmanfm --new-win "$outside")
xdotool windowmove "$fm_window" 700 0
xdotool windowsize "$fm_window" 640 500
sleep 1.5

# Where the list's rows are, in screen coordinates: the first row sits below the menu,
# the toolbars and the header, 128 pixels below the top of the window's client area.
client_origin() { # client_origin WINDOW: sets CX and CY
  CX=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ { print $4 }')
  CY=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/ { print $4 }')
}
client_origin "$tessel_window"
row_y() { echo $((CY + 128 + 18 * $1)); }
row_x=$((CX + 60))

# drag FROM_X FROM_Y TO_X TO_Y [escape]: a slow, stepwise drag as a person makes it.
drag() {
  local x=$1 y=$2 tx=$3 ty=$4 finish=${5:-drop}
  xdotool mousemove "$x" "$y"
  sleep 0.3
  xdotool mousedown 1
  sleep 0.3
  local steps=25
  for i in $(seq "$steps"); do
    xdotool mousemove $((x + (tx - x) * i / steps)) $((y + (ty - y) * i / steps))
    sleep 0.04
  done
  sleep 0.6
  xdotool mousemove $((tx + 3)) $((ty + 3))
  sleep 0.4
  xdotool mousemove "$tx" "$ty"
  sleep 0.6
  if [ "$finish" = escape ]; then
    xdotool key Escape
    sleep 0.3
  fi
  xdotool mouseup 1
  sleep 2
}

select_row() { # select_row N [ctrl]
  xdotool windowactivate --sync "$tessel_window" >/dev/null 2>&1
  xdotool mousemove "$row_x" "$(row_y "$1")"
  if [ "${2:-}" = ctrl ]; then xdotool keydown ctrl click 1 keyup ctrl; else xdotool click 1; fi
  sleep 0.3
}

failures=0
scenario() { # scenario NAME FUNCTION: up to three tries
  local name=$1 run=$2
  for attempt in 1 2 3; do
    if "$run"; then
      echo "e2e: $name: passed (try $attempt)"
      return 0
    fi
    sleep 1
  done
  echo "e2e: $name: FAILED"
  failures=$((failures + 1))
}

drag_out() {
  rm -rf "${outside:?}"/*
  select_row 0           # folder
  select_row 1 ctrl      # alpha.txt
  drag "$row_x" "$(row_y 1)" 1000 300
  [ "$(cat "$outside/alpha.txt" 2>/dev/null)" = alpha ] &&
    [ "$(cat "$outside/folder/inside.txt" 2>/dev/null)" = inside ] || return 1
  # The drag's own folder in the temporary folder goes once the file manager has the items.
  for _ in $(seq 30); do [ -z "$(ls -A "$temp" 2>/dev/null)" ] && return 0; sleep 1; done
  return 1
}

cancelled_drag() {
  rm -rf "${outside:?}"/* "$temp"
  select_row 1
  drag "$row_x" "$(row_y 1)" 1000 300 escape
  [ ! -e "$outside/alpha.txt" ] && ! compgen -G "$temp/*/alpha.txt" >/dev/null
}

drop_in() {
  "$tessel_vp" list "$package" | grep -q '^one.txt$' && return 0
  local fm
  fm=$(start_window "source" pcmanfm --new-win "$source")
  xdotool windowmove "$fm" 700 420
  xdotool windowsize "$fm" 640 360
  sleep 1.5
  xdotool windowactivate --sync "$fm" >/dev/null 2>&1
  xdotool key ctrl+a
  sleep 0.5
  client_origin "$fm"
  # The icons of the source folder sit in the upper left of its file view.
  drag $((CX + 200)) $((CY + 100)) 300 300
  xdotool windowclose "$fm" 2>/dev/null || true
  local listing
  listing=$("$tessel_vp" list "$package")
  grep -q '^one.txt$' <<<"$listing" && grep -q '^two.txt$' <<<"$listing" &&
    grep -q '^dropdir/inner/deep.txt$' <<<"$listing"
}

scenario "drag a file and a folder out" drag_out
scenario "cancel a drag with Escape" cancelled_drag
scenario "drop two files and a folder in" drop_in
if [ "$failures" -ne 0 ]; then
  import -window root "${E2E_SCREENSHOT:-/tmp/tessel-e2e-failure.png}" 2>/dev/null
  echo "e2e: $failures scenario(s) failed; screenshot in ${E2E_SCREENSHOT:-/tmp/tessel-e2e-failure.png}"
  exit 1
fi
echo "e2e: 3 passed, 0 failed"
