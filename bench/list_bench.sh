#!/usr/bin/env bash
# Lists a package of 100,000 records (2,000 folders, files of a few KiB) with tessel-vp and
# the same entries in a stored zip with unzip -l, in one run; then times LoadPackage
# against a plain read of the package. Usage: bench/list_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=${1:-$here/../build}
work=${2:-${TMPDIR:-/tmp}/tessel-bench-list}
runs=7
mkdir -p "$work"

if [ ! -f "$work/package.vp" ] || [ ! -f "$work/same.zip" ]; then
  echo "making the package and the zip in $work ..."
  "$build/bench/make_bench_tree" "$work" 2000 96000 1024 4096
  rm -f "$work/same.zip"
  (cd "$work/tree" && zip -0 -r -q "$work/same.zip" .)
fi

peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

records=$("$build/cli/tessel-vp" list "$work/package.vp" | wc -l)
t=() ; u=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms : "$build/cli/tessel-vp" list "$work/package.vp")")
  u+=("$(time_ms : unzip -l "$work/same.zip")")
done
tessel=$(median "${t[@]}") unzip=$(median "${u[@]}")
memory=$(peak_kib "$build/cli/tessel-vp" list "$work/package.vp")
echo "entries listed:            $records"
echo "tessel-vp list:            ${tessel} ms (median of $runs runs in turns)"
echo "unzip -l (stored zip):     ${unzip} ms (median of $runs runs in turns)"
echo "ratio tessel-vp / unzip:   $(ratio "$tessel" "$unzip") (target at most 0.3)"
awk -v m="$memory" 'BEGIN { printf "tessel-vp list peak RSS:   %.1f MiB (target at most 32)\n", m / 1024 }'
"$build/bench/load_bench" "$work/package.vp" "$runs"
