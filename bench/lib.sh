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
  # Bash's own clock, not date's: a process started to read the clock would be timed too,
  # a millisecond or two that weighs on the short commands' ratios.
  # Its decimal point follows the locale: the digits alone count microseconds.
  local start end
  start=${EPOCHREALTIME//[!0-9]/}
  "$@" >/dev/null
  end=${EPOCHREALTIME//[!0-9]/}
  awk -v us=$((end - start)) 'BEGIN { printf "%.1f\n", us / 1e3 }'
}

# median VALUE...: the middle value.
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# best VALUE...: the smallest value, the run least disturbed by the rest of the machine.
best() { printf '%s\n' "$@" | sort -n | head -1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
