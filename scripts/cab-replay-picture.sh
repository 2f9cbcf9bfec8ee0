#!/usr/bin/env bash
# Makes the README's picture of the cab replay: the demo at the moment
# Cabrix brakes at its limit, taken by headless chromium with no network.
set -euo pipefail
cd "$(dirname "$0")/.."

frame=${1:-3061}
out=docs/images/cab-replay.png
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build --preset default --target simhost >/dev/null
build/sim/simhost run scenarios/demo.toml --html "$work/demo.html" >/dev/null
mkdir -p "$(dirname "$out")"
network=()
if unshare -n true 2>/dev/null; then network=(unshare -n); fi
"${network[@]}" chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --no-proxy-server \
  --user-data-dir="$work/profile" --hide-scrollbars --window-size=1500,1100 --virtual-time-budget=5000 \
  --screenshot="$PWD/$out" "file://$work/demo.html#frame=$frame" >/dev/null 2>&1
echo "$out"
