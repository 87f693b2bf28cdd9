#!/usr/bin/env bash
# A package mounted as a folder against the same bytes on disk, in one run, in turns:
#   tar        every file of a 10,000-entry, 1 GiB package through the mount
#              (tar cf - -C DIR . | wc -c), against the same of the extracted tree
#   cat        one 1 GiB entry, against cat of the extracted file
#   ls -lR     a mounted 100,000-entry package, against ls -lR of the extracted tree
#   cp -r      1,000 files of 4 KiB into a writable mount (until they are in the package),
#              against tessel-vp add of the same folder; and the same copy into a FUSE file
#              system that does nothing (bench/null_mount), the floor of any mount here
# Reads are timed warm: the package and the tree are read once before, so that both sides
# come from the page cache and what is timed is the mount itself.
# Usage: bench/mount_bench.sh [BUILD_DIR] [WORK_DIR]; RUNS=5.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-mount}
runs=${RUNS:-5}
tessel_vp="$build/cli/tessel-vp"
mkdir -p "$work"

if [ ! -f "$work/ready" ]; then
  rm -rf "${work:?}"/*
  # 10,000 files of 20 to 190 KiB: about 1 GiB.
  mkdir "$work/many" "$work/huge" "$work/wide" "$work/small"
  "$build/bench/make_bench_tree" "$work/many" 100 10000 20480 194560 >/dev/null
  "$build/bench/make_bench_tree" "$work/wide" 1000 100000 10 200 >/dev/null
  mkdir "$work/huge/tree"
  head -c 1073741824 /dev/urandom >"$work/huge/tree/one.bin"
  "$tessel_vp" create "$work/huge/package.vp" "$work/huge/tree/one.bin"
  mkdir "$work/small/tree"
  for i in $(seq 1000); do head -c 4096 /dev/urandom >"$work/small/tree/f$i.bin"; done
  touch "$work/ready"
fi

mnt="$work/mnt"
mkdir -p "$mnt"
mounted() {
  "$tessel_vp" mount "$1" "$mnt" ${2:-}
}
unmount() {
  fusermount3 -u "$mnt"
  # The mount writes what waits and lets the package go once unmounted: waiting for its lock
  # ends the moment it does, where asking again every 10 ms added up to 10 ms to each run.
  flock "$1" true
}

read_pair() { # NAME PACKAGE TREE COMMAND-WITH-DIR...
  local name=$1 package=$2 tree=$3
  shift 3
  local t=() p=()
  mounted "$package"
  bash -c "${*//DIR/$mnt}" >/dev/null
  bash -c "${*//DIR/$tree}" >/dev/null
  for _ in $(seq "$runs"); do
    t+=("$(time_ms ":" bash -c "${*//DIR/$mnt}")")
    p+=("$(time_ms ":" bash -c "${*//DIR/$tree}")")
  done
  unmount "$package"
  # The best runs too: on a machine whose page cache is trimmed behind the benchmark's back
  # the medians wander, and the least disturbed runs show what the mount itself costs.
  printf '%-8s mount %8.1f ms   disk %8.1f ms   ratio %s   (best runs %s)\n' "$name" "$(median "${t[@]}")" \
    "$(median "${p[@]}")" "$(ratio "$(median "${t[@]}")" "$(median "${p[@]}")")" \
    "$(ratio "$(best "${t[@]}")" "$(best "${p[@]}")")"
}

read_pair tar "$work/many/package.vp" "$work/many/tree" "tar cf - -C DIR . | wc -c"
read_pair cat "$work/huge/package.vp" "$work/huge/tree" "cat DIR/one.bin | wc -c"
read_pair "ls -lR" "$work/wide/package.vp" "$work/wide/tree" "ls -lR DIR | wc -l"

# Writes: the copy ends when its files are in the package, which the unmount waits for.
seed="$work/small/seed.vp"
[ -f "$seed" ] || { echo seed >"$work/small/seed.txt" && "$tessel_vp" create "$seed" "$work/small/seed.txt"; }
# The floor: the same copy into a file system that does nothing, whose cost is the kernel's
# round trips alone (a lookup, a create and a write for each file).
null_copy() {
  "$build/bench/null_mount" "$mnt" &
  local pid=$!
  until mountpoint -q "$mnt"; do sleep 0.001; done
  cp -r "$work/small/tree" "$mnt/tree"
  fusermount3 -u "$mnt"
  wait "$pid"
}
t=() p=() f=()
for _ in $(seq "$runs"); do
  cp "$seed" "$work/small/m.vp"
  cp "$seed" "$work/small/a.vp"
  sync
  start=${EPOCHREALTIME//[!0-9]/}
  mounted "$work/small/m.vp" --writable
  cp -r "$work/small/tree" "$mnt/tree"
  unmount "$work/small/m.vp"
  end=${EPOCHREALTIME//[!0-9]/}
  t+=("$(awk -v us=$((end - start)) 'BEGIN { printf "%.1f\n", us / 1e3 }')")
  p+=("$(time_ms ":" "$tessel_vp" add "$work/small/a.vp" "$work/small/tree")")
  f+=("$(time_ms ":" null_copy)")
done
[ "$("$tessel_vp" list "$work/small/m.vp" | grep -c '^tree/f')" -eq 1000 ] && written=yes || written=NO
printf '%-8s mount %8.1f ms   add  %8.1f ms   ratio %s   (best runs %s; all 1,000 in the package: %s)\n' \
  "cp -r" "$(median "${t[@]}")" "$(median "${p[@]}")" "$(ratio "$(median "${t[@]}")" "$(median "${p[@]}")")" \
  "$(ratio "$(best "${t[@]}")" "$(best "${p[@]}")")" "$written"
printf '%-8s null %9.1f ms   add  %8.1f ms   ratio %s   (best runs %s): a mount that does nothing\n' "floor" \
  "$(median "${f[@]}")" "$(median "${p[@]}")" "$(ratio "$(median "${f[@]}")" "$(median "${p[@]}")")" \
  "$(ratio "$(best "${f[@]}")" "$(best "${p[@]}")")"
