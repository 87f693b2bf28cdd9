# What every end-to-end test starts from: a private work folder as home, configuration,
# temporary and runtime folder; every process started goes, with the work folder, when the
# test ends.
# Usage: source session.sh; then start processes and add their pids to pids.

work=$(mktemp -d)
export TMPDIR=$work/tmp HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
mkdir -p "$TMPDIR" "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
