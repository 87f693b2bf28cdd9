#!/usr/bin/env bash
# The working-folder commands against what a user would run without them, in one run, on
# the same bytes, in turns:
#   sync --delete   a package of 10,000 entries (1 GiB) and a folder where 100 files changed,
#                   100 are new and 100 are gone, against zip -0 -FS -r bringing a stored zip
#                   of the same files up to date; then a sync with nothing to do, against the
#                   same zip run
#   compact         a package with 10% of its bytes unused, spread through, against one
#                   durable copy of the bytes behind the first gap (dd conv=fsync)
#   convert         a stored zip of 1 GiB into a package, against unzip -q of it followed by
#                   tessel-vp create of the unpacked tree
# Usage: bench/workflow_bench.sh [BUILD_DIR] [WORK_DIR]; RUNS=3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/tessel-bench-workflow}
runs=${RUNS:-3}
tessel_vp="$build/cli/tessel-vp"
mkdir -p "$work"

if [ ! -f "$work/ready" ]; then
  rm -rf "$work"/*
  # 10,000 files of 20 to 190 KiB: about 1 GiB.
  "$build/bench/make_bench_tree" "$work" 100 10000 20480 194560 >/dev/null
  rm -f "$work/package.vp"
  (cd "$work/tree" && zip -0 -r -q "$work/ref.zip" .)
  "$tessel_vp" create "$work/ref.vp" "$work/tree"
  # The working folder: the same files, with 100 changed (the same sizes, so that only the
  # bytes tell), 100 new and 100 gone, spread through.
  cp -a "$work/tree" "$work/work"
  find "$work/work" -type f | sort >"$work/files"
  awk 'NR % 100 == 10' "$work/files" | while read -r f; do
    head -c "$(stat -c %s "$f")" /dev/urandom >"$f"
  done
  awk 'NR % 100 == 60' "$work/files" | xargs rm -f
  awk 'NR % 100 == 30' "$work/files" | while read -r f; do head -c 50000 /dev/urandom >"$f.new"; done
  touch "$work/ready"
fi

t=() p=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms "cp '$work/ref.vp' '$work/s.vp'" "$tessel_vp" sync --delete --to tree "$work/s.vp" "$work/work")")
  p+=("$(time_ms "cp '$work/ref.zip' '$work/s.zip'" bash -c "cd '$work/work' && zip -0 -FS -r -q '$work/s.zip' .")")
done
sync_ms=$(median "${t[@]}") zip_ms=$(median "${p[@]}")
t=() p=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms ":" "$tessel_vp" sync --delete --to tree "$work/s.vp" "$work/work")")
  p+=("$(time_ms ":" bash -c "cd '$work/work' && zip -0 -FS -r -q '$work/s.zip' .")")
done
idle_ms=$(median "${t[@]}") idle_zip_ms=$(median "${p[@]}")
"$tessel_vp" check "$work/s.vp" >/dev/null 2>&1 && [ "$("$tessel_vp" list "$work/s.vp" | grep -vc "/$")" -eq 10000 ] &&
  synced=yes || synced=NO

# Compact: the same package with a gap before every tenth file, as big as the file, that no
# entry uses (as another tool's deletes leave them).
if [ ! -f "$work/gappy.vp" ]; then
  python3 - "$work/ref.vp" "$work/gappy.vp" <<'PY'
import struct, sys
src = open(sys.argv[1], 'rb').read()
_, _, diroff, count = struct.unpack('<4siii', src[:16])
records = [struct.unpack('<ii32si', src[diroff + 44 * i: diroff + 44 * (i + 1)]) for i in range(count)]
out = bytearray(b'\0' * 16)
new_records = []
files = 0
for offset, size, name, stamp in records:
    if size > 0:
        files += 1
        if files % 10 == 0:
            out += b'\xee' * size  # bytes no entry uses
        new_records.append((len(out), size, name, stamp))
        out += src[offset:offset + size]
    else:
        new_records.append((len(out), size, name, stamp))
directory = len(out)
for r in new_records:
    out += struct.pack('<ii32si', *r)
out[:16] = struct.pack('<4siii', b'VPVP', 2, directory, len(new_records))
open(sys.argv[2], 'wb').write(out)
PY
fi
first=$(( $("$tessel_vp" list --json "$work/gappy.vp" | grep -o '"offset":[0-9]*' | sed -n 10p | cut -d: -f2) ))
t=() p=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms "cp '$work/gappy.vp' '$work/c.vp'" "$tessel_vp" compact "$work/c.vp")")
  p+=("$(time_ms "rm -f '$work/tail.bin'" dd if="$work/gappy.vp" of="$work/tail.bin" bs=1M skip="$first" iflag=skip_bytes conv=fsync status=none)")
done
compact_ms=$(median "${t[@]}") dd_ms=$(median "${p[@]}")
"$tessel_vp" check "$work/c.vp" >/dev/null 2>&1 && compacted=yes || compacted=NO

t=() p=()
for _ in $(seq "$runs"); do
  t+=("$(time_ms "rm -f '$work/conv.vp'" "$tessel_vp" convert "$work/ref.zip" "$work/conv.vp")")
  p+=("$(time_ms "rm -rf '$work/unzipped' '$work/pair.vp'; mkdir '$work/unzipped'" bash -c "unzip -q '$work/ref.zip' -d '$work/unzipped' && '$tessel_vp' create '$work/pair.vp' '$work/unzipped'")")
done
convert_ms=$(median "${t[@]}") pair_ms=$(median "${p[@]}")
[ "$("$tessel_vp" list "$work/conv.vp" | grep -vc '/$')" -eq 10000 ] && converted=yes || converted=NO

echo "medians of $runs runs in turns; ratio = Tessel / peer"
echo "  sync --delete, 100 changed, 100 new, 100 gone of 10,000 (1 GiB): ${sync_ms} ms; zip -0 -FS -r: ${zip_ms} ms; ratio $(ratio "$sync_ms" "$zip_ms") (target 0.5; package sound: $synced)"
echo "  sync with nothing to do: ${idle_ms} ms; zip -0 -FS -r: ${idle_zip_ms} ms; ratio $(ratio "$idle_ms" "$idle_zip_ms") (target 0.3)"
echo "  compact, 10% unused: ${compact_ms} ms; dd conv=fsync of the bytes behind the first gap: ${dd_ms} ms; ratio $(ratio "$compact_ms" "$dd_ms") (target 1.5; sound: $compacted)"
echo "  convert of a stored zip of 1 GiB: ${convert_ms} ms; unzip -q + create: ${pair_ms} ms; ratio $(ratio "$convert_ms" "$pair_ms") (target 0.6; whole: $converted)"
rm -rf "$work/s.vp" "$work/s.zip" "$work/c.vp" "$work/tail.bin" "$work/conv.vp" "$work/unzipped" "$work/pair.vp"
