#!/usr/bin/env bash
# A long fuzzing run of one target, split over parallel workers, for the
# figures kept in docs/robustness.md. Not part of CI (it takes hours).
#
#   scripts/fuzz-long.sh TARGET EXECUTIONS [WORKERS] [WORK_DIR]
#
# Each worker runs EXECUTIONS / WORKERS inputs with its own seed on one
# shared scratch corpus in WORK_DIR (default build-fuzz/long), which is kept
# between runs so that a later run starts where this one stopped. The run
# uses the limits of the CI stage; any finding leaves its input in
# WORK_DIR/artifacts and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

target="${1:?target, e.g. fuzz_cab}"
executions="${2:?number of executions in all}"
workers="${3:-2}"
work="${4:-$PWD/build-fuzz/long}"
[[ $executions =~ ^[0-9]+$ && $workers =~ ^[1-9][0-9]*$ ]] || {
  echo "executions and workers must be positive whole numbers" >&2
  exit 2
}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
binary="$PWD/build-fuzz/fuzz/$target"
[[ -x $binary ]] || { echo "no fuzz target $target" >&2; exit 2; }
seeds="$PWD/fuzz/corpus/plugins"
[[ $target == fuzz_settings ]] && seeds="$PWD/fuzz/corpus/settings"
# The plug-ins under test; the CI stage points this at deliberately faulty ones.
export CABKIT_FUZZ_PLUGIN_DIR="${CABKIT_FUZZ_PLUGIN_DIR:-$PWD/build-fuzz/plugins}"

mkdir -p "$work/corpus/$target" "$work/artifacts"
per_worker=$(( (executions + workers - 1) / workers ))
echo "-- $target: $workers x $per_worker executions, corpus $work/corpus/$target"
started=$(date +%s)
pids=()
for ((w = 1; w <= workers; w++)); do
  # A low priority: the run is meant to soak up idle time, not to slow builds.
  nice -n 10 "$binary" -runs="$per_worker" -seed=$((w * 7919)) -timeout=10 \
    -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/$target-w$w-" \
    "$work/corpus/$target" "$seeds" >"$work/$target-w$w.log" 2>&1 &
  pids+=($!)
done
failed=0
for ((w = 1; w <= workers; w++)); do
  if ! wait "${pids[w - 1]}"; then
    failed=1
    tail -n 40 "$work/$target-w$w.log"
  fi
done

total=0
peak=0
for ((w = 1; w <= workers; w++)); do
  log="$work/$target-w$w.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -n 1)
  total=$((total + ${runs:-0}))
  (( ${rss:-0} > peak )) && peak=${rss:-0}
done
echo "-- $target: $total executions in $(( $(date +%s) - started )) s," \
  "corpus $(find "$work/corpus/$target" -type f | wc -l), peak RSS ${peak} MiB"
if (( failed )); then
  echo "$target: finding, input kept in $work/artifacts" >&2
  exit 1
fi
echo "-- $target: no finding"
