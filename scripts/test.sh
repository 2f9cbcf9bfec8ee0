#!/usr/bin/env bash
# test.sh [STAGE...]: builds cabkit and runs the named test stages, each
# after installing what it needs; with no argument every stage, as CI does.
# Stages (docs/testing.md says what each checks and how long it takes):
#   default   the Linux build and its whole suite, browser check included
#   asan      the suite under AddressSanitizer and UndefinedBehaviorSanitizer
#   i386      the plug-ins and their tests as 32-bit Linux programs
#   analysis  layout, contract numbers, clang-tidy, cppcheck
#   fuzz      the harness's self-check, then each fuzz target for a while
#   windows   both Windows builds under wine, their traces against Linux's
# The last lines are a table of each stage's time.
set -euo pipefail
cd "$(dirname "$0")/.."

all_stages=(default asan i386 analysis fuzz windows)
stages=("$@")
((${#stages[@]})) || stages=("${all_stages[@]}")
for stage in "${stages[@]}"; do
  if [[ ! " ${all_stages[*]} " == *" $stage "* ]]; then
    echo "test.sh: no stage '$stage' (stages: ${all_stages[*]})" >&2
    exit 2
  fi
done

# The presets leave the number of parallel tests to ctest, which reads it here.
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

# What the stages need, in one go: one refresh of the package lists at most.
purposes=("${stages[@]}")
if [[ "${CABKIT_WINDOWS:-1}" == 0 ]]; then
  mapfile -t purposes < <(printf '%s\n' "${purposes[@]}" | grep -vx windows || true)
fi
[[ ! " ${purposes[*]-} " == *" default "* ]] || purposes+=(browser)
((${#purposes[@]} == 0)) || scripts/install-deps.sh "${purposes[@]}"

timings=()
current=
report() {
  local status=$? row
  [[ -z $current ]] || timings+=("$current $((SECONDS - started)) failed")
  ((${#timings[@]})) || exit "$status"
  echo
  printf '%-10s %8s  %s\n' stage seconds result
  local total=0
  for row in "${timings[@]}"; do
    read -r name seconds result <<<"$row"
    printf '%-10s %8d  %s\n' "$name" "$seconds" "$result"
    total=$((total + seconds))
  done
  printf '%-10s %8d\n' total "$total"
  exit "$status"
}
trap report EXIT

for stage in "${stages[@]}"; do
  echo "== stage: $stage =="
  current=$stage
  started=$SECONDS
  bash "scripts/stages/$stage.sh"
  timings+=("$stage $((SECONDS - started)) passed")
  current=
done
echo "== all tests passed: ${stages[*]} =="
