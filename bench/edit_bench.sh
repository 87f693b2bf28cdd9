#!/usr/bin/env bash
# Deleting and renaming in a package of 10,000 entries (about 1 GiB), timed against copying
# the same bytes with cp and dd. Usage: bench/edit_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-extract}
mkdir -p "$work/many"
if [ ! -f "$work/many/package.vp" ]; then
  echo "making 10,000 files ..."
  "$build/bench/make_bench_tree" "$work/many" 100 10000 100 1048576 log
fi
"$build/bench/delete_bench" "$work/many/package.vp" "$work"
