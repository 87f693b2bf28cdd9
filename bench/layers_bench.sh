#!/usr/bin/env bash
# Packages seen together, against what a user would run without Tessel, in one run, in turns:
#   diff      two packages of 100,000 entries (1 GiB each, 1% of the entries changed, their
#             sizes kept so that only the bytes tell), against diff -rq of the two trees
#             extracted (the extraction not counted)
#   overlay   --json of 5 packages of 100,000 entries each (each a variant of one tree),
#             against tessel-vp list of the five one after another; with the peak memory
#             of the overlay against that of holding the five trees (one loaded, times five)
# Usage: bench/layers_bench.sh [BUILD_DIR] [WORK_DIR]; RUNS=3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-layers}
runs=${RUNS:-3}
tessel_vp="$build/cli/tessel-vp"
mkdir -p "$work"

if [ ! -f "$work/ready-diff" ]; then
  rm -rf "${work:?}"/*
  # 100,000 files of 2 to 18 KiB: about 1 GiB.
  "$build/bench/make_bench_tree" "$work" 100 100000 2048 18432 >/dev/null
  mv "$work/tree" "$work/old"
  cp -a "$work/old" "$work/new"
  find "$work/new" -type f | sort >"$work/files"
  awk 'NR % 100 == 10' "$work/files" | while read -r f; do
    head -c "$(stat -c %s "$f")" /dev/urandom >"$f"
  done
  "$tessel_vp" create "$work/old.vp" "$work/old"
  "$tessel_vp" create "$work/new.vp" "$work/new"
  rm -f "$work/package.vp"
  touch "$work/ready-diff"
fi
if [ ! -f "$work/ready-overlay" ]; then
  mkdir -p "$work/small"
  # Five variants of a tree of small files, each with its own 1% changed.
  "$build/bench/make_bench_tree" "$work/small" 100 100000 64 1024 >/dev/null
  for i in 1 2 3 4 5; do
    rm -rf "$work/variant"
    cp -a "$work/small/tree" "$work/variant"
    find "$work/variant" -type f | sort | awk -v n="$i" 'NR % 100 == n' | while read -r f; do
      head -c "$(stat -c %s "$f")" /dev/urandom >"$f"
    done
    "$tessel_vp" create "$work/layer$i.vp" "$work/variant"
  done
  rm -rf "$work/variant" "$work/small/package.vp"
  touch "$work/ready-overlay"
fi

peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
list_five() { for i in 1 2 3 4 5; do "$tessel_vp" list "$work/layer$i.vp"; done; }

ours=() peer=() overlay=() lists=()
for _ in $(seq "$runs"); do
  # Both read the same bytes from the page cache: a warm-up run first.
  ours+=("$(time_ms "$tessel_vp diff $work/old.vp $work/new.vp >/dev/null || true" \
    bash -c "'$tessel_vp' diff '$work/old.vp' '$work/new.vp' || true")")
  peer+=("$(time_ms "diff -rq $work/old $work/new >/dev/null || true" \
    bash -c "diff -rq '$work/old' '$work/new' || true")")
  overlay+=("$(time_ms true "$tessel_vp" overlay --json "$work"/layer{1,2,3,4,5}.vp)")
  lists+=("$(time_ms true list_five)")
done
d=$(median "${ours[@]}") p=$(median "${peer[@]}") o=$(median "${overlay[@]}") l=$(median "${lists[@]}")
echo "diff of two packages of 100,000 entries (1 GiB each, 1% changed), median of $runs:"
echo "  tessel-vp diff: $d ms; diff -rq of the extracted trees: $p ms; ratio $(ratio "$d" "$p") (target at most 0.5)"
echo "overlay --json of 5 packages of 100,000 entries, median of $runs:"
echo "  overlay: $o ms; list of the five one after another: $l ms; ratio $(ratio "$o" "$l") (target at most 2)"
om=$(peak_kib "$tessel_vp" overlay --json "$work"/layer{1,2,3,4,5}.vp)
# list streams the directory and holds no tree: a tree held is measured by loading one.
lm=$(peak_kib "$tessel_vp" list "$work/layer1.vp")
tm=$(peak_kib "$build/bench/load_bench" "$work/layer1.vp" 1)
echo "  peak memory: overlay $((om / 1024)) MiB; one tree loaded $((tm / 1024)) MiB, five trees held $((5 * tm / 1024)) MiB;" \
  "ratio $(ratio "$om" "$((5 * tm))") (target at most 2); list of one (streamed) $((lm / 1024)) MiB"
