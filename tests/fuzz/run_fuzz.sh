#!/usr/bin/env bash
# run_fuzz.sh FUZZER SECONDS [CORPUS]: every input of the corpus (the packages' by default),
# then new inputs for SECONDS.
# New inputs go to a scratch folder, so the committed corpus stays as it is.
set -euo pipefail
fuzzer=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
corpus=${3:-$here/corpus}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
limits=(-rss_limit_mb=1024 -malloc_limit_mb=256 -timeout=10)
"$fuzzer" "${limits[@]}" -runs=0 "$corpus"
if [ "$seconds" -gt 0 ]; then
  "$fuzzer" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 "$scratch" "$corpus"
fi
echo "fuzz: no crash, hang or runaway allocation"
