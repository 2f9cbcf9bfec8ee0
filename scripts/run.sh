#!/usr/bin/env bash
# Builds the plug-ins and shows what each exports and the interface version it
# reports.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

for plugin in build/plugins/*.so; do
  echo "== $plugin =="
  nm -D --defined-only "$plugin" | awk '{print "  " $3}'
done
