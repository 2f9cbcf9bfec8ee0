#!/usr/bin/env bash
# Windows stage: cross-builds the 32-bit and 64-bit DLLs and simhost.exe,
# checks the DLLs' export and import tables, runs the whole test suite under
# wine64 against the 64-bit build and, where this machine executes 32-bit x86
# code, under the 32-bit wine against the 32-bit build. Each simhost.exe then
# replays the bundled scenarios with its own DLLs, and every trace must equal
# the Linux build's byte for byte. Last it packs both variants into dist/ and
# tries each archive unpacked. Where 32-bit code cannot run, the 32-bit build
# is checked through its tables only, and the stage says so and why.
#
# Nearly all of its time goes into compiling both variants with their tests;
# making a wine prefix takes some 15 s and each suite under wine 10 to 40 s.
# The last line says how long it took. CABKIT_WINDOWS=0 skips the stage, as
# it skips installing the cross compilers.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [[ "${CABKIT_WINDOWS:-1}" == 0 ]]; then
  echo "CABKIT_WINDOWS=0: Windows stage skipped"
  exit 0
fi
started=$SECONDS

cache_value() { sed -n "s/^$2:[A-Z]*=//p" "build-$1/CMakeCache.txt"; }

servers=()
stop_servers() {
  local server
  for server in "${servers[@]}"; do
    WINEPREFIX=${server#*=} "${server%%=*}" -k 2>/dev/null || true
  done
}
trap stop_servers EXIT

# Makes the build's wine prefix once, before anything runs in it: its first
# start is slow, and two tests must not race to create it. A persistent
# server then saves every test program the server's start-up.
prepare_wine() {
  local variant=$1 arch=$2 wine wineserver prefix
  wine=$(cache_value "$variant" CABKIT_WINE)
  if [[ -z "$wine" || ! -x "$wine" ]]; then
    echo "no $arch wine loader: install it (scripts/install-deps.sh windows)" >&2
    exit 1
  fi
  wineserver=$(dirname "$wine")/wineserver64
  [[ -x "$wineserver" ]] || wineserver=$(dirname "$wine")/wineserver32
  [[ -x "$wineserver" ]] || wineserver=$(command -v wineserver)
  prefix=$(cache_value "$variant" CABKIT_WINEPREFIX)
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [[ ! -f "$prefix/system.reg" ]]; then
    echo "-- creating the $arch wine prefix $prefix"
    WINEPREFIX=$prefix WINEARCH=$arch "$wine" wineboot --init >/dev/null 2>&1 || true
    WINEPREFIX=$prefix "$wineserver" -w
  fi
  [[ -f "$prefix/system.reg" ]] || { echo "could not create the wine prefix $prefix" >&2; exit 1; }
  WINEPREFIX=$prefix "$wineserver" -p || true  # one may run already: it serves as well
  servers+=("$wineserver=$prefix")
}

# run_windows <variant> <program.exe> [arguments...]: a program of that
# build under its wine, in its prefix.
run_windows() {
  local variant=$1
  shift
  WINEPREFIX=$(cache_value "$variant" CABKIT_WINEPREFIX) cmake/wine-run.sh "$(cache_value "$variant" CABKIT_WINE)" "$@"
}

# After the suite and the replays: no simhost-* folder left in the prefix's
# temporary folder, whatever the faulty plug-ins in the tests did.
nothing_left() {
  local variant=$1 left
  left=$(find "$(cache_value "$variant" CABKIT_WINEPREFIX)/drive_c/users" -maxdepth 3 -path '*/Temp/simhost-*' | head -n 3)
  if [[ -n "$left" ]]; then
    echo "$variant: simhost left in the temporary folder: $left" >&2
    exit 1
  fi
}

# The bundled scenarios through simhost.exe with that build's DLLs: every
# check passes, and every trace equals the Linux build's byte for byte.
same_answers() {
  local variant=$1 scenario name folder=build-$1/same-answers
  run_windows "$variant" "build-$variant/sim/simhost.exe" check scenarios/*.toml --plugins "build-$variant/plugins"
  rm -rf "$folder"
  mkdir -p "$folder"
  for scenario in scenarios/*.toml; do
    name=$(basename "$scenario" .toml)
    run_windows "$variant" "build-$variant/sim/simhost.exe" run "$scenario" --plugins "build-$variant/plugins" \
      --trace "$folder/$name.csv" >/dev/null
    if ! cmp "$linux_traces/$name.csv" "$folder/$name.csv"; then
      diff "$linux_traces/$name.csv" "$folder/$name.csv" | head -n 8 >&2
      echo "$variant: the trace of $scenario differs from the Linux one" >&2
      exit 1
    fi
  done
  echo "$variant: $(ls scenarios/*.toml | wc -l) scenario traces equal the Linux ones byte for byte"
  nothing_left "$variant"
}

echo "-- Linux simhost, for the reference traces"
[[ -f build/CMakeCache.txt ]] || cmake --preset default >/dev/null
cmake --build --preset default --target simhost >/dev/null
# Once for both variants.
linux_traces=build/windows-reference-traces
rm -rf "$linux_traces"
mkdir -p "$linux_traces"
for scenario in scenarios/*.toml; do
  build/sim/simhost run "$scenario" --trace "$linux_traces/$(basename "$scenario" .toml).csv" >/dev/null
done

note() { [[ -z ${CABKIT_STAGE_NOTE-} ]] || echo "$*" >>"$CABKIT_STAGE_NOTE"; }

echo "-- 32-bit: build"
cmake --preset win32 >/dev/null
why_not_32=$(cache_value win32 CABKIT_WINE_MISSING)
if [[ -z "$why_not_32" ]]; then
  cmake --build --preset win32
  note "32-bit DLLs run under the 32-bit wine"
  prepare_wine win32 win32
  echo "-- 32-bit: tests under the 32-bit wine (and the Linux i386 build in the i386 stage)"
  ctest --preset win32
  echo "-- 32-bit: the same scenarios, the same answers"
  same_answers win32
else
  [[ ! -f build/optional/wine32.why ]] || why_not_32=$(<build/optional/wine32.why)
  echo "-- 32-bit: the tables checked, the suite not run under wine ($why_not_32); the i386 stage runs the 32-bit code"
  note "no 32-bit wine, 32-bit DLLs checked through their tables: $why_not_32"
  # Only the file checks: every other test would start a 32-bit program. So
  # only what they read and what is packed is built, not the test programs.
  cmake --build --preset win32 --target Velorin Sentrel Cabrix simhost
  ctest --preset win32 -R '^plugin_files[.]'
fi

echo "-- 64-bit: build"
cmake --preset win64 >/dev/null
cmake --build --preset win64
prepare_wine win64 win64
echo "-- 64-bit: tests under wine64"
ctest --preset win64
echo "-- 64-bit: the same scenarios, the same answers"
same_answers win64

echo "-- packages"
scripts/package.sh
# Each archive as a user gets it: unpacked into a folder with a space in its
# name, simhost.exe finds its plug-ins and judges the scenarios beside it.
for variant in win32 win64; do
  [[ $variant == win64 || -z "$why_not_32" ]] || continue
  unpacked="build-$variant/unpacked package"
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  (cd "$unpacked" && unzip -q "../../dist/cabkit-$variant.zip")
  run_windows "$variant" "$unpacked/simhost.exe" check "$unpacked/scenarios/*.toml" | tail -n 1
done

echo "-- windows stage took $((SECONDS - started)) s"
