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
