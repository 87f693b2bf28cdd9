#!/usr/bin/env bash
# Adding, timed against cp and zip on the same bytes in one run:
#  1. one file of 500 MiB added to a package, against cp of the file followed by a sync of
#     the copy (an add is durable when it returns), and cp alone;
#  2. a folder of 1,000 files of 4 KiB added to a package of 10,000 entries, against
#     zip -0 -r of the folder into a new zip.
# Usage: bench/add_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-add}
runs=${RUNS:-7}
tessel_vp="$build/cli/tessel-vp"
mkdir -p "$work"

if [ ! -f "$work/big.bin" ]; then
  head -c $((500 * 1024 * 1024)) /dev/urandom >"$work/big.bin"
fi
if [ ! -d "$work/small" ]; then
  mkdir -p "$work/small"
  for i in $(seq 1000); do head -c 4096 /dev/urandom >"$work/small/f$i.dat"; done
fi
if [ ! -f "$work/base/package.vp" ]; then
  mkdir -p "$work/base"
  "$build/bench/make_bench_tree" "$work/base" 100 9800 100 2000 >/dev/null
  rm -rf "$work/base/tree"
fi

t=() ; c=() ; d=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms "rm -f '$work/one.vp'; : > '$work/one.vp'" "$tessel_vp" add "$work/one.vp" "$work/big.bin")")
  c+=("$(time_ms "rm -f '$work/copy.bin'" cp "$work/big.bin" "$work/copy.bin")")
  # An add is durable when it returns: the fair peer syncs its copy too.
  d+=("$(time_ms "rm -f '$work/copy.bin'" bash -c "cp '$work/big.bin' '$work/copy.bin' && sync '$work/copy.bin'")")
done
cmp -s <(tail -c +17 "$work/one.vp" | head -c $((500 * 1024 * 1024))) "$work/big.bin" && same=yes || same=NO
add_big=$(median "${t[@]}") cp_big=$(median "${c[@]}") cp_sync=$(median "${d[@]}")
echo "one file of 500 MiB, medians of $runs runs in turns:"
echo "  tessel-vp add:  ${add_big} ms   (bytes identical: $same; synced before it returns)"
echo "  cp, then sync:  ${cp_sync} ms   ratio $(ratio "$add_big" "$cp_sync") (the durable peer; target at most 1.2)"
echo "  cp alone:       ${cp_big} ms   ratio $(ratio "$add_big" "$cp_big") (not durable)"

records=$("$tessel_vp" list "$work/base/package.vp" | wc -l)
t=() ; z=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms "cp '$work/base/package.vp' '$work/many.vp'" "$tessel_vp" add "$work/many.vp" "$work/small")")
  z+=("$(time_ms "rm -f '$work/small.zip'" bash -c "cd '$work' && zip -0 -r -q small.zip small")")
done
add_small=$(median "${t[@]}") zip_small=$(median "${z[@]}")
echo "a folder of 1,000 files of 4 KiB into a package of $records entries, medians of $runs runs in turns:"
echo "  tessel-vp add: ${add_small} ms"
echo "  zip -0 -r:     ${zip_small} ms   ratio $(ratio "$add_small" "$zip_small")"
rm -f "$work/one.vp" "$work/copy.bin" "$work/many.vp" "$work/small.zip"
