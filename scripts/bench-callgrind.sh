#!/usr/bin/env bash
# Instructions per frame of every steady state of the frame-cost rigs,
# counted by callgrind over the measured frames only (collection is toggled
# on in cabkit_measured_frames), so loading and set-up stay out. Unlike
# timings these counts do not depend on what else the machine is doing.
#
#   scripts/bench-callgrind.sh            builds the bench preset first
#   SKIP_BUILD=1 FRAMES=8192 scripts/bench-callgrind.sh
#   scripts/bench-callgrind.sh Null VelorinWorstRoute     only those (Null first: the ratio's base)
set -euo pipefail
cd "$(dirname "$0")/.."

frames=${FRAMES:-8192}
driver=build-bench/bench/frame_cost_count
states=(Null VelorinAto VelorinTimetable SentrelTone CabrixMode2 SharedPanel VelorinWorstRoute)
if (($# > 0)); then states=("$@"); fi

if [[ "${SKIP_BUILD:-0}" != 1 ]]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target frame_cost_bench frame_cost_count >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-18s %16s %10s\n' "steady state" "instr per frame" "x null"
null_per_frame=""
for state in "${states[@]}"; do
  valgrind --tool=callgrind --collect-atstart=no --toggle-collect=cabkit_measured_frames \
    --callgrind-out-file="$work/$state.out" "$driver" "$state" "$frames" >"$work/$state.log" 2>&1 ||
    { cat "$work/$state.log" >&2; exit 1; }
  total=$(awk '/^(totals|summary):/ { print $2; exit }' "$work/$state.out")
  per_frame=$(awk -v t="$total" -v n="$frames" 'BEGIN { printf "%.1f", t / n }')
  if [[ -z "$null_per_frame" ]]; then null_per_frame=$per_frame; fi
  ratio=$(awk -v a="$per_frame" -v b="$null_per_frame" 'BEGIN { printf "%.1f", a / b }')
  printf '%-18s %16s %10s\n' "$state" "$per_frame" "$ratio"
done
