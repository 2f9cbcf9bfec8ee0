#!/usr/bin/env bash
# Packs the Windows builds for users: dist/cabkit-win32.zip for the 32-bit
# reference host and dist/cabkit-win64.zip for 64-bit hosts. Each holds
#
#   README-windows.txt   where to unpack, how to run the demo
#   simhost.exe          the host without the simulator
#   plugins/             Velorin.dll, Sentrel.dll, Cabrix.dll, ZQConfig.ini
#   scenarios/           the bundled scenarios
#   docs/                the authors' manuals that this tree has
#
# It packs what build-win32 and build-win64 hold, building only what is
# missing there: run after scripts/stages/windows.sh, the DLLs and
# simhost.exe in the archives are the ones the stage tested.
set -euo pipefail
cd "$(dirname "$0")/.."

# The manuals authors read, in the order they are listed; those this tree
# does not have are left out.
manuals=(docs/reference.md docs/authoring.md docs/scenarios.md)

mkdir -p dist
for variant in win32 win64; do
  if [[ ! -f build-$variant/CMakeCache.txt ]]; then
    cmake --preset "$variant" >/dev/null
  fi
  cmake --build --preset "$variant" --target Velorin Sentrel Cabrix simhost >/dev/null

  staging=build-$variant/package
  rm -rf "$staging"
  mkdir -p "$staging/plugins" "$staging/scenarios" "$staging/docs"
  cp "build-$variant/sim/simhost.exe" "$staging/"
  cp "build-$variant/plugins/Velorin.dll" "build-$variant/plugins/Sentrel.dll" \
     "build-$variant/plugins/Cabrix.dll" packaging/windows/ZQConfig.ini "$staging/plugins/"
  cp scenarios/*.toml "$staging/scenarios/"
  for manual in "${manuals[@]}"; do
    if [[ -f "$manual" ]]; then cp "$manual" "$staging/docs/"; fi
  done
  # Windows line ends, so that every editor shows the text as lines.
  sed 's/$/\r/' packaging/windows/README-windows.txt >"$staging/README-windows.txt"

  archive=$PWD/dist/cabkit-$variant.zip
  rm -f "$archive"
  # -X: no extra file attributes; a fixed order of entries.
  (cd "$staging" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | zip -q -X "$archive" -@)
  echo "wrote dist/cabkit-$variant.zip"
  zip -sf "$archive" | sed -n 's/^  /  /p'
done
