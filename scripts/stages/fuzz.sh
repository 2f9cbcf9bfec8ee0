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
