#!/usr/bin/env bash
# Short fuzzing stage: builds the libFuzzer targets (fuzz preset: clang,
# ASan + UBSan, the plug-ins instrumented for coverage) and runs each for a
# bounded time from the committed seeds. Any finding fails the stage and
# leaves its input in build-fuzz/artifacts/.
#
# CABKIT_FUZZ_SECONDS sets the time per target (default 45); the targets run
# CABKIT_FUZZ_JOBS at a time (default: one per processor).
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds="${CABKIT_FUZZ_SECONDS:-45}"
targets=(fuzz_velorin fuzz_sentrel fuzz_cabrix fuzz_cab fuzz_settings)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

jobs="${CABKIT_FUZZ_JOBS:-$(nproc)}"
# A stage cut short takes its runs with it.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
note() { [[ -z ${CABKIT_STAGE_NOTE-} ]] || echo "$*" >>"$CABKIT_STAGE_NOTE"; }

# in_parallel <function> <item>...: the function on each item, at most $jobs
# at once (a fuzzer uses one processor); fails when any of them failed, after
# all have finished, so that no finding's log is cut short.
in_parallel() {
  local run=$1 pid item failed=0
  shift
  local -A item_of=()
  for item in "$@"; do
    while ((${#item_of[@]} >= jobs)); do
      wait -n -p pid || failed=1
      unset "item_of[$pid]"
    done
    "$run" "$item" &
    item_of[$!]=$item
  done
  while ((${#item_of[@]})); do
    wait -n -p pid || failed=1
    unset "item_of[$pid]"
  done
  return "$failed"
}

# First the harness itself: against a plug-in with a deliberate fault it must
# report that fault, or a clean run below would prove nothing.
expected=([1]="changed panel slot 5" [2]="SEGV on unknown address" [3]="use-after-poison" [4]="heap grew")
catches() {
  local fault=$1 log="build-fuzz/faulty-$1.log"
  if CABKIT_FUZZ_PLUGIN_DIR="$PWD/build-fuzz/faulty-plugins/$fault" build-fuzz/fuzz/fuzz_cabrix -runs=2000 \
      -artifact_prefix="build-fuzz/faulty-$fault-" fuzz/corpus/plugins >"$log" 2>&1; then
    echo "the harness missed deliberate fault $fault (${expected[$fault]})" >&2
    return 1
  fi
  if ! grep -q "${expected[$fault]}" "$log"; then
    tail -n 30 "$log"
    echo "the harness stopped on fault $fault, but not with: ${expected[$fault]}" >&2
    return 1
  fi
  echo "-- harness catches deliberate fault $fault: ${expected[$fault]}"
}
in_parallel catches 1 2 3 4

artifacts="$PWD/build-fuzz/artifacts"
mkdir -p "$artifacts"
fuzz() {
  local target=$1 seeds=fuzz/corpus/plugins
  [[ $target == fuzz_settings ]] && seeds=fuzz/corpus/settings
  # A scratch corpus, so that the run never rewrites the committed seeds.
  local work="build-fuzz/corpus/$target" log="build-fuzz/$target.log"
  mkdir -p "$work"
  if ! build-fuzz/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$work" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: finding, input kept in $artifacts" >&2
    return 1
  fi
  # One write per target, so that the runs' lines never interleave.
  local stats
  stats=$(grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed 's/^/   /')
  printf -- '-- %s: %ss\n%s\n' "$target" "$seconds" "$stats"
}
echo "-- ${#targets[@]} targets, ${seconds}s each, $jobs at a time"
note "${#targets[@]} targets x ${seconds}s, $jobs at a time"
in_parallel fuzz "${targets[@]}"
