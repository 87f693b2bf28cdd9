#!/usr/bin/env bash
# Extraction timed against tar and unzip on the same bytes, in one run:
#  1. a package of 10,000 files (100 B to 1 MiB, about 1 GiB, nested folders) with
#     tessel-vp extract, tar -xf of an uncompressed tar and unzip -q of a stored zip;
#  2. one entry of 1 GiB with tessel-vp extract, and cp of a 1 GiB file, with peak memory.
# Everything lives on one file system. Usage: bench/extract_bench.sh [BUILD_DIR] [WORK_DIR]
# PARTS=many or PARTS=one runs only one of the two.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-extract}
runs=${RUNS:-7}
mkdir -p "$work"
tessel_vp="$build/cli/tessel-vp"

if [ ! -f "$work/many/package.vp" ]; then
  echo "making 10,000 files ..."
  mkdir -p "$work/many"
  "$build/bench/make_bench_tree" "$work/many" 100 10000 100 1048576 log
  (cd "$work/many/tree" && tar -cf "$work/many/same.tar" . && zip -0 -r -q "$work/many/same.zip" .)
fi
if [ ! -f "$work/one/package.vp" ]; then
  echo "making one entry of 1 GiB ..."
  mkdir -p "$work/one"
  "$build/bench/make_bench_tree" "$work/one" 1 1 1073741824 1073741824
  cp "$work/one/tree/folder0/sub0/file0.tbl" "$work/one/big.bin"
fi

out="$work/out"
fresh="rm -rf '$out'; mkdir -p '$out'"
parts=${PARTS:-many one}
if [[ $parts == *many* ]]; then
t=() ; a=() ; z=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms "$fresh" "$tessel_vp" extract "$work/many/package.vp" "$out")")
  a+=("$(time_ms "$fresh" tar -xf "$work/many/same.tar" -C "$out")")
  z+=("$(time_ms "$fresh" unzip -q "$work/many/same.zip" -d "$out")")
done
eval "$fresh"
"$tessel_vp" extract "$work/many/package.vp" "$out"
diff -r "$work/many/tree" "$out" >/dev/null && same=yes || same=NO
tessel=$(median "${t[@]}") tar=$(median "${a[@]}") unzip=$(median "${z[@]}")
echo "10,000 files ($(du -sh "$work/many/tree" | cut -f1)), medians of $runs runs in turns:"
echo "  tessel-vp extract: ${tessel} ms   (output identical to the files: $same)"
echo "  tar -xf:           ${tar} ms   ratio $(ratio "$tessel" "$tar") (target at most 1.0)"
echo "  unzip -q:          ${unzip} ms   ratio $(ratio "$tessel" "$unzip") (target at most 1.0)"
fi

if [[ $parts == *one* ]]; then
t=() ; c=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms "$fresh" "$tessel_vp" extract "$work/one/package.vp" "$out")")
  c+=("$(time_ms "rm -f '$work/one/copy.bin'" cp "$work/one/big.bin" "$work/one/copy.bin")")
done
cmp -s "$work/one/big.bin" "$out/folder0/sub0/file0.tbl" && same=yes || same=NO
eval "$fresh"
peak=$(/usr/bin/time -f %M "$tessel_vp" extract "$work/one/package.vp" "$out" 2>&1 >/dev/null | tail -1)
one=$(median "${t[@]}") cp_ms=$(median "${c[@]}")
echo "one entry of 1 GiB, medians of $runs runs in turns:"
echo "  tessel-vp extract: ${one} ms   (output identical: $same)"
echo "  cp:                ${cp_ms} ms   ratio $(ratio "$one" "$cp_ms") (target at most 1.1)"
echo "  best runs: tessel-vp $(best "${t[@]}") ms, cp $(best "${c[@]}") ms, ratio $(ratio "$(best "${t[@]}")" "$(best "${c[@]}")")"
echo "  every run, tessel-vp: ${t[*]}"
echo "  every run, cp:        ${c[*]}"
awk -v m="$peak" 'BEGIN { printf "  peak memory of tessel-vp extract: %.1f MiB (target at most 16)\n", m / 1024 }'
fi
rm -rf "$out" "$work/one/copy.bin"
