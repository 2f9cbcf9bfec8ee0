#!/usr/bin/env bash
# Builds the plug-ins and simhost, then replays the bundled demo scenario:
# the event log on the terminal, the chart in build/demo.svg. It installs
# only what that needs (scripts/install-deps.sh run) and builds no test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
cmake --preset default >/dev/null
cmake --build --preset default --target simhost Velorin Sentrel Cabrix

build/sim/simhost run scenarios/demo.toml --plot build/demo.svg --summary build/demo.json
echo
echo "chart: build/demo.svg   summary: build/demo.json"
