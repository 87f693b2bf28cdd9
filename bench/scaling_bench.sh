#!/usr/bin/env bash
# Every command at several sizes beside its peer, on the same bytes, in turns, so that a cost
# that grows faster than the work shows itself. For each size (entries of 1 to 7 KiB in
# folders of about a hundred) it prints each command's median time, its peer's, their ratio
# and the peak memory; then, for each command, the growth from one size to the next as the
# slope of log(time) over log(entries): 1.0 is linear.
#   create       tessel-vp create          tar cf, then sync of the archive
#   add          a folder of 1% new files  tar cf of that folder, then sync
#   delete       1% of the files, spread   dd conv=fsync of the bytes behind the first
#   list         tessel-vp list            unzip -l of a stored zip of the same files
#   check        tessel-vp check           unzip -l
#   one          one entry to stdout       unzip -p
#   extract      the whole package         tar -xf
# and the peak memory of diff and overlay of the package with itself.
# Usage: bench/scaling_bench.sh [BUILD_DIR] [WORK_DIR]; SIZES="1000 10000 100000 500000", RUNS=3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-scaling}
runs=${RUNS:-3}
sizes=${SIZES:-1000 10000 100000 500000}
tessel_vp="$build/cli/tessel-vp"
mkdir -p "$work"

# peak_kib COMMAND...: the peak resident memory of the command, in KiB.
peak_kib() {
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1 || true
  cat "$work/rss"
}

# one command of the table: median of its runs in turns with its peer.
declare -A tessel_ms peer_ms peak
measure() {
  local name=$1 setup=$2 ours=$3 theirs=$4 t=() p=()
  for _ in $(seq "$runs"); do
    t+=("$(time_ms "$setup" bash -c "$ours")")
    p+=("$(time_ms "$setup" bash -c "$theirs")")
  done
  tessel_ms[$name,$n]=$(median "${t[@]}")
  peer_ms[$name,$n]=$(median "${p[@]}")
}

commands="create add delete list check one extract"
for n in $sizes; do
  dir="$work/$n"
  if [ ! -f "$dir/ready" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    "$build/bench/make_bench_tree" "$dir" $((n / 100 + 1)) "$n" 1024 7168 >/dev/null
    rm -f "$dir/package.vp"
    mkdir -p "$dir/new"
    for i in $(seq $((n / 100 + 1))); do head -c 3000 /dev/urandom >"$dir/new/n$i.dat"; done
    (cd "$dir/tree" && tar cf "$dir/ref.tar" . && zip -0 -r -q "$dir/ref.zip" .)
    "$tessel_vp" create "$dir/ref.vp" "$dir/tree"
    "$tessel_vp" list "$dir/ref.vp" | grep -v '/$' | awk 'NR % 100 == 50' >"$dir/doomed"
    touch "$dir/ready"
  fi
  one=$(sed -n "$((n / 200 + 1))p" "$dir/doomed")
  first=$("$tessel_vp" list --json "$dir/ref.vp" | grep -F "\"path\":\"$(head -1 "$dir/doomed")\"" |
    sed 's/.*"offset":\([0-9]*\).*/\1/')
  echo "== $n entries: $(du -sh "$dir/tree" | cut -f1) of files" >&2
  measure create "rm -f '$dir/new.vp' '$dir/new.tar'" \
    "'$tessel_vp' create '$dir/new.vp' '$dir/tree'" \
    "tar cf '$dir/new.tar' -C '$dir/tree' . && sync '$dir/new.tar'"
  measure add "cp '$dir/ref.vp' '$dir/add.vp'; rm -f '$dir/add.tar'" \
    "'$tessel_vp' add '$dir/add.vp' '$dir/new'" \
    "tar cf '$dir/add.tar' -C '$dir' new && sync '$dir/add.tar'"
  # The shell reads the names itself and becomes the command, as it becomes dd: neither side
  # starts a program more than its own.
  measure delete "cp '$dir/ref.vp' '$dir/del.vp'; rm -f '$dir/tail.bin'" \
    "mapfile -t names <'$dir/doomed'; exec '$tessel_vp' delete '$dir/del.vp' \"\${names[@]}\"" \
    "dd if='$dir/ref.vp' of='$dir/tail.bin' bs=1M skip=$first iflag=skip_bytes conv=fsync status=none"
  measure list ":" "'$tessel_vp' list '$dir/ref.vp'" "unzip -l '$dir/ref.zip'"
  measure check ":" "'$tessel_vp' check '$dir/ref.vp'" "unzip -l '$dir/ref.zip'"
  measure one ":" "'$tessel_vp' cat '$dir/ref.vp' '$one' 2>/dev/null || '$tessel_vp' extract '$dir/ref.vp' '$dir/one' '$one'" \
    "unzip -p '$dir/ref.zip' '${one#tree/}'"
  measure extract "rm -rf '$dir/out' '$dir/tarout'; mkdir -p '$dir/tarout'" \
    "'$tessel_vp' extract '$dir/ref.vp' '$dir/out'" "tar -xf '$dir/ref.tar' -C '$dir/tarout'"
  peak[list,$n]=$(peak_kib "$tessel_vp" list "$dir/ref.vp")
  peak[check,$n]=$(peak_kib "$tessel_vp" check "$dir/ref.vp")
  peak[one,$n]=$(peak_kib bash -c "'$tessel_vp' cat '$dir/ref.vp' '$one' 2>/dev/null || '$tessel_vp' extract '$dir/ref.vp' '$dir/one' '$one'")
  peak[unzip,$n]=$(peak_kib unzip -l "$dir/ref.zip")
  # Two sources of this size compared and layered, which walk their directories.
  peak[diff,$n]=$(peak_kib "$tessel_vp" diff "$dir/ref.vp" "$dir/ref.vp")
  peak[overlay,$n]=$(peak_kib "$tessel_vp" overlay --json "$dir/ref.vp" "$dir/ref.vp")
  rm -rf "$dir/out" "$dir/tarout" "$dir/new.vp" "$dir/new.tar" "$dir/add.vp" "$dir/add.tar" "$dir/del.vp" \
    "$dir/tail.bin" "$dir/one"
done

echo "medians of $runs runs in turns (ms); ratio = Tessel / peer"
printf '%-8s %8s %10s %10s %6s %9s\n' command entries tessel peer ratio peak-MiB
for c in $commands; do
  for n in $sizes; do
    mem=${peak[$c,$n]:-}
    printf '%-8s %8s %10s %10s %6s %9s\n' "$c" "$n" "${tessel_ms[$c,$n]}" "${peer_ms[$c,$n]}" \
      "$(ratio "${tessel_ms[$c,$n]}" "${peer_ms[$c,$n]}")" "${mem:+$((mem / 1024))}"
  done
done
echo "unzip -l peak memory (MiB): $(for n in $sizes; do printf '%s ' $((${peak[unzip,$n]} / 1024)); done)"
echo "diff of the package with itself, peak memory (MiB): $(for n in $sizes; do printf '%s ' $((${peak[diff,$n]} / 1024)); done)"
echo "overlay --json of it twice, peak memory (MiB): $(for n in $sizes; do printf '%s ' $((${peak[overlay,$n]} / 1024)); done)"
echo "growth, slope of log(time) over log(entries) between sizes: Tessel (peer)"
for c in $commands; do
  line="$c:"
  prev=""
  for n in $sizes; do
    if [ -n "$prev" ]; then
      line+=$(awk -v a="${tessel_ms[$c,$prev]}" -v b="${tessel_ms[$c,$n]}" -v pa="${peer_ms[$c,$prev]}" \
        -v pb="${peer_ms[$c,$n]}" -v m="$prev" -v k="$n" \
        'BEGIN { printf "  %s-%s %.2f (%.2f)", m, k, log(b / a) / log(k / m), log(pb / pa) / log(k / m) }')
    fi
    prev=$n
  done
  echo "$line"
done
