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
# The last lines are a table of each stage's wall and processor time.
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
# Two per processor: most of the suite's time is tests waiting on purpose (a
# plug-in that stands still, a call past its time limit, a browser at its
# page), which then overlaps; the suite's processor time stays the same.
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$((2 * $(nproc)))}

# The closing table: each stage's wall time, and the processor time (user +
# system) of everything it ran, which is what a loaded machine does not blur.
# A stage may leave one line on the conditions it ran under (what it skipped
# and why, how long it fuzzed) in the file CABKIT_STAGE_NOTE names.
notes=$(mktemp -d)
cpu_now() {
  # Sets cpu (hundredths of a second). `times` must run in this shell, not in
  # a command substitution, whose process has no children of its own: its
  # second line is the finished children's user and system time, such as
  # "1m2.500s 0m3.250s".
  times >"$notes/times"
  cpu=$(awk 'NR == 2 {
    total = 0
    for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); total += t[1] * 60 + t[2] }
    printf "%d\n", total * 100 + 0.5
  }' "$notes/times")
}
timings=()
current=
row() {  # name, started at (s), cpu at start (1/100 s), result
  local note= cpu
  [[ ! -s "$notes/$1" ]] || note=$(paste -sd ';' "$notes/$1" | sed 's/;/; /g')
  cpu_now
  timings+=("$1|$((SECONDS - $2))|$(((cpu - $3 + 50) / 100))|$4|$note")
}
report() {
  local status=$? name seconds cpu result note entry
  [[ -z $current ]] || row "$current" "$started" "$cpu_started" failed
  current=
  if ((${#timings[@]})); then
    echo
    echo "stage times on $(nproc) processors, $(date -u '+%Y-%m-%d %H:%M UTC'):"
    printf '%-10s %8s %8s  %-7s %s\n' stage seconds cpu-s result conditions
    local total=0 total_cpu=0
    for entry in "${timings[@]}"; do
      IFS='|' read -r name seconds cpu result note <<<"$entry"
      printf '%-10s %8d %8d  %-7s %s\n' "$name" "$seconds" "$cpu" "$result" "$note"
      total=$((total + seconds))
      total_cpu=$((total_cpu + cpu))
    done
    printf '%-10s %8d %8d\n' total "$total" "$total_cpu"
  fi
  rm -rf "$notes"
  exit "$status"
}
trap report EXIT

# What the stages need, in one go: one refresh of the package lists at most.
# Its time is the table's first row, as a fresh machine spends it too.
purposes=("${stages[@]}")
if [[ "${CABKIT_WINDOWS:-1}" == 0 ]]; then
  mapfile -t purposes < <(printf '%s\n' "${purposes[@]}" | grep -vx windows || true)
fi
[[ ! " ${purposes[*]-} " == *" default "* ]] || purposes+=(browser)
if ((${#purposes[@]})); then
  cpu_now
  current=setup started=$SECONDS cpu_started=$cpu
  scripts/install-deps.sh "${purposes[@]}"
  row setup "$started" "$cpu_started" passed
  current=
fi

for stage in "${stages[@]}"; do
  echo "== stage: $stage =="
  cpu_now
  current=$stage started=$SECONDS cpu_started=$cpu
  CABKIT_STAGE_NOTE="$notes/$stage" bash "scripts/stages/$stage.sh"
  row "$stage" "$started" "$cpu_started" passed
  current=
done
echo "== all tests passed: ${stages[*]} =="
