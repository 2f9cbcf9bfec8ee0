#!/usr/bin/env bash
# The cost of a frame: builds the bench preset, times every steady state of
# the frame-cost rigs with repetitions and prints the medians beside the
# do-nothing plug-in and the targets, then the callgrind instruction counts.
# Timings on a shared machine are noisy; the counts are the stable figure.
#
#   scripts/bench.sh                 (REPETITIONS=15 by default)
set -euo pipefail
cd "$(dirname "$0")/.."

repetitions=${REPETITIONS:-15}

cmake --preset bench >/dev/null
cmake --build --preset bench --target frame_cost_bench frame_cost_count worst_frame_bench >/dev/null

csv=$(mktemp)
trap 'rm -f "$csv"' EXIT
build-bench/bench/frame_cost_bench --benchmark_repetitions="$repetitions" \
  --benchmark_report_aggregates_only=true --benchmark_out="$csv" --benchmark_out_format=csv >/dev/null

echo "== median time per frame, ${repetitions} repetitions =="
# CPU time is the thread's own time and moves less with the machine's load
# than wall time; the targets apply to it. The shared panel is three calls
# and has no target.
awk -F, '
  BEGIN {
    target["VelorinAto"] = 300; target["VelorinTimetable"] = 300; target["VelorinWorstRoute"] = 300
    target["SentrelTone"] = 100; target["CabrixMode2"] = 100
    printf "%-18s %10s %10s %8s %12s\n", "steady state", "cpu ns", "wall ns", "x null", "target ns"
  }
  $1 ~ /_median"?$/ {
    name = $1; gsub(/"/, "", name); sub(/^Elapse\//, "", name); sub(/_median$/, "", name)
    wall = $3 + 0; cpu = $4 + 0
    if (name == "Null") null = cpu
    verdict = (name in target) ? sprintf("%d %s", target[name], cpu < target[name] ? "met" : "MISSED") : "-"
    printf "%-18s %10.1f %10.1f %8.1f %12s\n", name, cpu, wall, cpu / null, verdict
  }
' "$csv"

echo
echo "== the dearest single frame: every kept door timer runs out at once =="
build-bench/bench/worst_frame_bench --benchmark_repetitions="$repetitions" \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median|_cv'

echo
echo "== instructions per frame (callgrind) =="
SKIP_BUILD=1 scripts/bench-callgrind.sh
