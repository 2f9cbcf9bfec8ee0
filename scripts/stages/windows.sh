#!/usr/bin/env bash
# Windows stage: cross-builds the 32-bit and 64-bit DLLs, checks their export
# and import tables, runs the whole 64-bit test suite under wine64 and packs
# both variants into dist/. This machine cannot execute 32-bit programs, so
# the 32-bit build is checked through its tables only.
#
# From a clean clone this takes four to seven minutes on two shared cores,
# nearly all of it compiling both variants with their tests; making the wine
# prefix takes some 15 s and the 64-bit suite under wine 10 to 20 s. The
# last line says how long it took. CABKIT_WINDOWS=0 skips the stage, as it
# skips installing the cross compilers.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [[ "${CABKIT_WINDOWS:-1}" == 0 ]]; then
  echo "CABKIT_WINDOWS=0: Windows stage skipped"
  exit 0
fi
started=$SECONDS

echo "-- 32-bit: build and check the tables"
cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32

echo "-- 64-bit: build"
cmake --preset win64 >/dev/null
cmake --build --preset win64

cache_value() { sed -n "s/^$1:[A-Z]*=//p" build-win64/CMakeCache.txt; }
wine64=$(cache_value CABKIT_WINE64)
if [[ -z "$wine64" || ! -x "$wine64" ]]; then
  echo "wine64 not found: install wine64 (scripts/install-deps.sh)" >&2
  exit 1
fi
wineserver=$(dirname "$wine64")/wineserver64
[[ -x "$wineserver" ]] || wineserver=$(command -v wineserver)

export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(cache_value CABKIT_WINEPREFIX)

# The prefix is made once, here, before anything runs in it: its first start
# is slow, and two tests must not race to create it. A persistent server then
# saves every test program the server's start-up.
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "-- creating the wine prefix $WINEPREFIX"
  "$wine64" wineboot --init >/dev/null 2>&1 || true
  "$wineserver" -w
fi
[[ -f "$WINEPREFIX/system.reg" ]] || { echo "could not create the wine prefix" >&2; exit 1; }
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT

echo "-- 64-bit: tests under wine64"
ctest --preset win64

echo "-- packages"
scripts/package.sh

echo "-- windows stage took $((SECONDS - started)) s"
