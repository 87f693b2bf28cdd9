#!/usr/bin/env bash
# run_fuzz.sh FUZZER SECONDS: every input of the corpus, then new inputs for SECONDS.
# New inputs go to a scratch folder, so the committed corpus stays as it is.
set -euo pipefail
fuzzer=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
limits=(-rss_limit_mb=1024 -malloc_limit_mb=256 -timeout=10)
"$fuzzer" "${limits[@]}" -runs=0 "$here/corpus"
if [ "$seconds" -gt 0 ]; then
  "$fuzzer" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 "$scratch" "$here/corpus"
fi
echo "fuzz: no crash, hang or runaway allocation"
