# The set-up of the end-to-end tests under X: session.sh's work folder, and a virtual X display
# on a free-looking number.
# Usage: source lib.sh FIRST_DISPLAY; then start processes and add their pids to pids.
source "$(dirname "${BASH_SOURCE[0]}")/session.sh"
display=:$(($1 + RANDOM % 100))
export DISPLAY=$display

Xvfb "$display" -screen 0 1400x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
