#!/usr/bin/env bash
# Builds the Windows DLLs and packs them for users: dist/cabkit-win32.zip for
# the 32-bit reference host and dist/cabkit-win64.zip for 64-bit hosts, each
# holding Velorin.dll, Sentrel.dll, Cabrix.dll and a commented sample
# ZQConfig.ini, flat, ready to unpack into a vehicle folder.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p dist
for variant in win32 win64; do
  if [[ ! -f build-$variant/CMakeCache.txt ]]; then
    cmake --preset "$variant" >/dev/null
  fi
  cmake --build --preset "$variant" --target Velorin Sentrel Cabrix

  archive=dist/cabkit-$variant.zip
  rm -f "$archive"
  # -X: no extra file attributes, -j: no folders inside the archive.
  zip -q -X -j "$archive" \
    "build-$variant/plugins/Velorin.dll" "build-$variant/plugins/Sentrel.dll" \
    "build-$variant/plugins/Cabrix.dll" packaging/windows/ZQConfig.ini
  echo "wrote $archive"
  zip -sf "$archive" | sed -n 's/^  /  /p'
done
