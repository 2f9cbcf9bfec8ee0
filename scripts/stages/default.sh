#!/usr/bin/env bash
# Default stage: the Linux build (RelWithDebInfo) and its whole test suite,
# the bundled scenarios and the cab replay's browser check among them. The
# browser check runs here only: the sanitizer stage leaves it out.
set -euo pipefail
cd "$(dirname "$0")/../.."

if ! command -v chromium >/dev/null 2>&1; then
  why="chromium is not installed"
  [[ ! -f build/optional/chromium.why ]] || why=$(<build/optional/chromium.why)
  echo "-- the cab replay's browser check is skipped: $why"
  [[ -z ${CABKIT_STAGE_NOTE-} ]] || echo "browser check skipped: $why" >>"$CABKIT_STAGE_NOTE"
fi
cmake --preset default
cmake --build --preset default
ctest --preset default

# The benchmarks, built on this build and each run once, briefly, so that
# they keep building and working. No figure is judged here; they are
# measured in the bench preset (scripts/bench.sh, docs/performance.md).
echo "-- the benchmarks, once each"
cmake --preset default -DCABKIT_BUILD_BENCH=ON >/dev/null
cmake --build --preset default --target frame_cost_bench frame_cost_count worst_frame_bench sim_replay_bench
build/bench/frame_cost_bench --benchmark_min_time=0.01 >/dev/null
build/bench/worst_frame_bench --benchmark_min_time=0.01 >/dev/null
build/bench/frame_cost_count SharedPanel 512 >/dev/null
build/bench/sim_replay_bench >/dev/null
