#!/usr/bin/env bash
# Short fuzzing stage: builds the libFuzzer targets (fuzz preset: clang,
# ASan + UBSan, the plug-ins instrumented for coverage) and runs each for a
# bounded time from the committed seeds. Any finding fails the stage and
# leaves its input in build-fuzz/artifacts/.
#
# CABKIT_FUZZ_SECONDS sets the time per target (default 45).
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${CABKIT_FUZZ_SECONDS:-45}"
targets=(fuzz_velorin fuzz_sentrel fuzz_cabrix fuzz_cab fuzz_settings)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# First the harness itself: against a plug-in with a deliberate fault it must
# report that fault, or a clean run below would prove nothing.
expected=([1]="changed panel slot 5" [2]="SEGV on unknown address" [3]="use-after-poison" [4]="heap grew")
for fault in 1 2 3 4; do
  log="build-fuzz/faulty-$fault.log"
  if CABKIT_FUZZ_PLUGIN_DIR="$PWD/build-fuzz/faulty-plugins/$fault" build-fuzz/fuzz/fuzz_cabrix -runs=2000 \
      -artifact_prefix=build-fuzz/faulty-$fault- fuzz/corpus/plugins >"$log" 2>&1; then
    echo "the harness missed deliberate fault $fault (${expected[$fault]})" >&2
    exit 1
  fi
  if ! grep -q "${expected[$fault]}" "$log"; then
    tail -n 30 "$log"
    echo "the harness stopped on fault $fault, but not with: ${expected[$fault]}" >&2
    exit 1
  fi
  echo "-- harness catches deliberate fault $fault: ${expected[$fault]}"
done

artifacts="$PWD/build-fuzz/artifacts"
mkdir -p "$artifacts"
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/plugins
  [[ $target == fuzz_settings ]] && seeds=fuzz/corpus/settings
  # A scratch corpus, so that the run never rewrites the committed seeds.
  work="build-fuzz/corpus/$target"
  mkdir -p "$work"
  echo "-- $target: ${seconds}s"
  log="build-fuzz/$target.log"
  if ! build-fuzz/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$work" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: finding, input kept in $artifacts" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed "s/^/   /"
done
