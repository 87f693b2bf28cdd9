#!/usr/bin/env bash
# Extraction timed against tar and unzip on the same bytes, in one run:
#  1. a package of 10,000 files (100 B to 1 MiB, about 1 GiB, nested folders) with
#     tessel-vp extract, tar -xf of an uncompressed tar and unzip -q of a stored zip;
#  2. one entry of 1 GiB with tessel-vp extract, and cp of a 1 GiB file, with peak memory.
# Everything lives on one file system. Usage: bench/extract_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-extract}
runs=5
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

# median_ms SETUP COMMAND...: the median wall time of RUNS runs of COMMAND, SETUP untimed.
median_ms() {
  local setup=$1
  shift
  local times=()
  for _ in $(seq "$runs"); do
    eval "$setup"
    sync
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p" | awk '{printf "%.1f", $1 / 1000}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

out="$work/out"
fresh="rm -rf '$out'; mkdir -p '$out'"
size=$(du -sh "$work/many/tree" | cut -f1)
tessel=$(median_ms "$fresh" "$tessel_vp" extract "$work/many/package.vp" "$out")
diff -r "$work/many/tree" "$out" >/dev/null && same=yes || same=NO
tar=$(median_ms "$fresh" tar -xf "$work/many/same.tar" -C "$out")
unzip=$(median_ms "$fresh" unzip -q "$work/many/same.zip" -d "$out")
echo "10,000 files ($size), median of $runs:"
echo "  tessel-vp extract: ${tessel} ms   (output identical to the files: $same)"
echo "  tar -xf:           ${tar} ms   ratio $(ratio "$tessel" "$tar") (target at most 1.0)"
echo "  unzip -q:          ${unzip} ms   ratio $(ratio "$tessel" "$unzip") (target at most 1.0)"

one=$(median_ms "$fresh" "$tessel_vp" extract "$work/one/package.vp" "$out")
cmp -s "$work/one/big.bin" "$out/folder0/sub0/file0.tbl" && same=yes || same=NO
cp_ms=$(median_ms "rm -f '$work/one/copy.bin'" cp "$work/one/big.bin" "$work/one/copy.bin")
rm -rf "$out"; mkdir -p "$out"
peak=$(/usr/bin/time -f %M "$tessel_vp" extract "$work/one/package.vp" "$out" 2>&1 >/dev/null | tail -1)
echo "one entry of 1 GiB, median of $runs:"
echo "  tessel-vp extract: ${one} ms   (output identical: $same)"
echo "  cp:                ${cp_ms} ms   ratio $(ratio "$one" "$cp_ms") (target at most 1.1)"
awk -v m="$peak" 'BEGIN { printf "  peak memory of tessel-vp extract: %.1f MiB (target at most 16)\n", m / 1024 }'
rm -rf "$out" "$work/one/copy.bin"
