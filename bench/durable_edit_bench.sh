#!/usr/bin/env bash
# Durable, atomic edits timed against their peers on the same bytes, in one run:
#  1. create from a folder of 20,000 files (about 160 MB, 300 folders), against tar cf of
#     the folder followed by a sync of the archive (the durable peer), and tar cf alone;
#  2. adding a folder of 1,000 files of 4 KiB to a package of 100,000 entries, against
#     zip -0 -r adding the same folder to a zip of the same 100,000 entries;
#  3. deleting 1,000 spread entries of 10,000 (about 1 GiB), against one durable copy of
#     the bytes behind the first of them (dd conv=fsync) and zip -d of the same entries
#     from a zip of the same files; and renaming an entry, syncs included.
# Usage: bench/durable_edit_bench.sh [BUILD_DIR] [WORK_DIR]; PARTS=create,add,delete.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-durable}
runs=${RUNS:-5}
parts=${PARTS:-create,add,delete}
tessel_vp="$build/cli/tessel-vp"
mkdir -p "$work"

if [[ $parts == *create* ]]; then
  if [ ! -d "$work/c/tree" ]; then
    echo "making 20,000 files ..."
    mkdir -p "$work/c"
    "$build/bench/make_bench_tree" "$work/c" 300 20000 100 16000 >/dev/null
  fi
  t=() ; s=() ; p=()
  for _ in $(seq "$runs"); do
    t+=("$(time_ms "rm -f '$work/c/new.vp'" "$tessel_vp" create "$work/c/new.vp" "$work/c/tree")")
    s+=("$(time_ms "rm -f '$work/c/new.tar'" bash -c "tar cf '$work/c/new.tar' -C '$work/c' tree && sync '$work/c/new.tar'")")
    p+=("$(time_ms "rm -f '$work/c/new.tar'" tar cf "$work/c/new.tar" -C "$work/c" tree)")
  done
  ct=$(median "${t[@]}") cs=$(median "${s[@]}") cp_=$(median "${p[@]}")
  echo "create from 20,000 files in 300 folders ($(du -sh "$work/c/tree" | cut -f1)), medians of $runs runs in turns:"
  echo "  tessel-vp create:    ${ct} ms"
  echo "  tar cf + sync:       ${cs} ms   ratio $(ratio "$ct" "$cs") (target at most 1.5)"
  echo "  tar cf:              ${cp_} ms   ratio $(ratio "$ct" "$cp_")"
  rm -f "$work/c/new.vp" "$work/c/new.tar"
fi

if [[ $parts == *add* ]]; then
  if [ ! -f "$work/a/base.zip" ]; then
    echo "making a package and a zip of 100,000 entries ..."
    mkdir -p "$work/a"
    "$build/bench/make_bench_tree" "$work/a" 2000 100000 100 2000 >/dev/null
    (cd "$work/a/tree" && zip -0 -r -q "$work/a/base.zip" .)
    mkdir -p "$work/a/small"
    for i in $(seq 1000); do head -c 4096 /dev/urandom >"$work/a/small/f$i.dat"; done
  fi
  t=() ; z=()
  for _ in $(seq "$runs"); do
    t+=("$(time_ms "cp '$work/a/package.vp' '$work/a/work.vp'" "$tessel_vp" add "$work/a/work.vp" "$work/a/small")")
    z+=("$(time_ms "cp '$work/a/base.zip' '$work/a/work.zip'" bash -c "cd '$work/a' && zip -0 -r -q work.zip small")")
  done
  at=$(median "${t[@]}") az=$(median "${z[@]}")
  echo "a folder of 1,000 files of 4 KiB into 100,000 entries, medians of $runs runs in turns:"
  echo "  tessel-vp add:       ${at} ms"
  echo "  zip -0 -r:           ${az} ms   ratio $(ratio "$at" "$az") (target at most 0.5)"
  rm -f "$work/a/work.vp" "$work/a/work.zip"
fi

if [[ $parts == *delete* ]]; then
  if [ ! -f "$work/d/same.zip" ]; then
    echo "making 10,000 files ..."
    mkdir -p "$work/d"
    "$build/bench/make_bench_tree" "$work/d" 100 10000 100 1048576 log >/dev/null
    (cd "$work/d/tree" && zip -0 -r -q "$work/d/same.zip" .)
  fi
  # Every tenth file from the sixth on, and the offset of the first of them.
  "$tessel_vp" list "$work/d/package.vp" | grep -v '/$' | awk 'NR % 10 == 6' >"$work/d/victims"
  first=$("$tessel_vp" list --json "$work/d/package.vp" |
    python3 -c 'import json,sys; v=set(open(sys.argv[1]).read().split("\n")); print(min(e["offset"] for e in json.load(sys.stdin) if e["path"] in v))' "$work/d/victims")
  mapfile -t victims <"$work/d/victims"
  t=() ; d=() ; z=() ; r=()
  for _ in $(seq "$runs"); do
    t+=("$(time_ms "cp '$work/d/package.vp' '$work/d/work.vp'" "$tessel_vp" delete "$work/d/work.vp" "${victims[@]}")")
    d+=("$(time_ms "rm -f '$work/d/tail'" dd if="$work/d/package.vp" of="$work/d/tail" bs=64K iflag=skip_bytes skip="$first" conv=fsync status=none)")
    z+=("$(time_ms "cp '$work/d/same.zip' '$work/d/work.zip'" zip -q -d "$work/d/work.zip" "${victims[@]}")")
    r+=("$(time_ms "" "$tessel_vp" rename "$work/d/work.vp" "${victims[0]%/*}" "renamed-$RANDOM")")
  done
  dt=$(median "${t[@]}") dd_=$(median "${d[@]}") dz=$(median "${z[@]}") rn=$(median "${r[@]}")
  echo "deleting ${#victims[@]} spread entries of 10,000 ($(du -h "$work/d/package.vp" | cut -f1)), medians of $runs runs in turns:"
  echo "  tessel-vp delete:    ${dt} ms   (atomic and durable)"
  echo "  dd conv=fsync tail:  ${dd_} ms   ratio $(ratio "$dt" "$dd_") (target at most 2.0)"
  echo "  zip -d:              ${dz} ms   ratio $(ratio "$dt" "$dz") (target at most 1.0)"
  echo "renaming a folder: tessel-vp rename, whole command with syncs: ${rn} ms (target at most 50)"
  rm -f "$work/d/work.vp" "$work/d/work.zip" "$work/d/tail"
fi
