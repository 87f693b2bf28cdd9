#!/usr/bin/env bash
# Replacing a large entry, timed and measured against the durable copies it amounts to, in
# one run: a package holding small files around one entry of 1 GiB, whose bytes are
# replaced by a file of 1 GiB. Its peer copies the new bytes to a file and syncs it, then
# copies the bytes behind the old entry durably (dd conv=fsync): the work a replace that
# removes the old bytes cannot avoid. Peak memory is read by /usr/bin/time; the target is
# below 64 MiB.
# Usage: bench/replace_bench.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-replace}
runs=${RUNS:-3}
size_mib=${SIZE_MIB:-1024}
tessel_vp="$build/cli/tessel-vp"
mkdir -p "$work/src" "$work/new"

# The new bytes under the entry's own name, so that adding them replaces it.
new="$work/new/big.bin"
if [ ! -f "$new" ] || [ "$(stat -c %s "$new")" -ne $((size_mib << 20)) ]; then
  rm -f "$work/base.vp"
  head -c $((size_mib << 20)) /dev/urandom >"$new"
  head -c $((size_mib << 20)) /dev/urandom >"$work/src/big.bin"
  for i in $(seq 200); do head -c 8192 /dev/urandom >"$work/src/a$i.dat"; done
fi
if [ ! -f "$work/base.vp" ]; then
  # The small files before and after the big one in the data area.
  (cd "$work/src" && "$tessel_vp" create "$work/base.vp" $(ls a*.dat | head -100) big.bin $(ls a*.dat | tail -100))
fi
tail_bytes=$((200 * 8192 / 2))

t=() ; p=() ; peak=()
for _ in $(seq "$runs"); do
  cp "$work/base.vp" "$work/p.vp"
  sync
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/rss" "$tessel_vp" add --replace "$work/p.vp" "$new" >/dev/null
  end=$(date +%s%N)
  t+=("$(awk -v ns=$((end - start)) 'BEGIN { printf "%.1f\n", ns / 1e6 }')")
  peak+=("$(cat "$work/rss")")
  p+=("$(time_ms "rm -f '$work/copy.bin' '$work/tail.bin'" bash -c "cp '$new' '$work/copy.bin' && sync '$work/copy.bin' && dd if='$work/base.vp' of='$work/tail.bin' bs=1M skip=$(( (16 + 100 * 8192 + (size_mib << 20)) )) iflag=skip_bytes count=$tail_bytes iflag=count_bytes conv=fsync status=none")")
done
"$tessel_vp" check "$work/p.vp" >/dev/null && [ "$(stat -c %s "$work/p.vp")" -eq "$(stat -c %s "$work/base.vp")" ] &&
  sound=yes || sound=NO
replace=$(median "${t[@]}") peer=$(median "${p[@]}") rss=$(median "${peak[@]}")
echo "replacing an entry of $size_mib MiB by $size_mib MiB in a package of 201 entries, medians of $runs runs:"
echo "  tessel-vp add --replace: ${replace} ms, peak memory $((rss / 1024)) MiB (target below 64 MiB; package sound and of its old size: $sound)"
echo "  cp + sync of the new bytes, durable copy of the tail: ${peer} ms   ratio $(ratio "$replace" "$peer")"
rm -f "$work/p.vp" "$work/copy.bin" "$work/tail.bin" "$work/rss"
