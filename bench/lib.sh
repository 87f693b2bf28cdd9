# Shared by the benchmark scripts. The machine's page cache and disk write-back make
# single timings noisy, so peers are timed in turns, run after run, and medians compared.
# shellcheck shell=bash

# time_ms SETUP COMMAND...: runs SETUP untimed (after which dirty pages are flushed), then
# COMMAND with its output discarded; prints the wall time in milliseconds.
time_ms() {
  local setup=$1
  shift
  eval "$setup"
  sync
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.1f\n", ns / 1e6 }'
}

# median VALUE...: the middle value.
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# best VALUE...: the smallest value, the run least disturbed by the rest of the machine.
best() { printf '%s\n' "$@" | sort -n | head -1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
