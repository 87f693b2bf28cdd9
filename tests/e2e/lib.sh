# The set-up both end-to-end tests share: a private work folder as home, configuration and
# temporary folder, a virtual X display on a free-looking number, and a window manager; every
# process started goes, with the work folder, when the test ends.
# Usage: source lib.sh FIRST_DISPLAY; then start processes and add their pids to pids.
work=$(mktemp -d)
display=:$(($1 + RANDOM % 100))
export DISPLAY=$display TMPDIR=$work/tmp HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$TMPDIR" "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1400x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
