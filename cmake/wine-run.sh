#!/bin/sh
# wine-run.sh <wine> <program.exe> [arguments...]
#
# Runs a Windows program under wine, passing on its output and exit status.
# The output goes through files rather than straight to the caller: wine
# starts its background services from whichever program comes first in a
# session, and they keep that program's output open for as long as they
# live. A caller that reads to the end of the output (ctest, test discovery)
# would otherwise wait for them instead of for the program.
set -u
wine=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/cabkit-wine.XXXXXX") || exit 1
"$wine" "$@" </dev/null >"$dir/out" 2>"$dir/err" &
child=$!
trap 'kill "$child" 2>/dev/null' INT TERM
wait "$child"
status=$?
cat "$dir/out"
cat "$dir/err" >&2
rm -rf "$dir"
exit "$status"
