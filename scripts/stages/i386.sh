#!/usr/bin/env bash
# i386 stage: the three plug-ins and their tests built as 32-bit Linux
# programs (i386 preset: g++ -m32 from g++-multilib, GoogleTest from its
# sources) and run natively, so that the 32-bit pointer width, record layout
# and floating-point code run on every machine whose kernel executes i386
# code, whether or not the 32-bit wine could be installed for the Windows
# stage. The first line says which of the two 32-bit runs this machine gets.
set -euo pipefail
cd "$(dirname "$0")/../.."

if [[ -x /usr/lib/wine/wine || -x /usr/lib/i386-linux-gnu/wine/wine ]]; then
  echo "-- 32-bit: this Linux i386 build here, and the 32-bit DLLs under the 32-bit wine in the windows stage"
else
  why="the 32-bit wine is not installed"
  [[ ! -f build/optional/wine32.why ]] || why=$(<build/optional/wine32.why)
  echo "-- 32-bit: this Linux i386 build only; the 32-bit DLLs are not run under wine: $why"
fi

cmake --preset i386 >/dev/null
cmake --build --preset i386
why_not=$(sed -n 's/^CABKIT_I386_MISSING:INTERNAL=//p' build-i386/CMakeCache.txt)
if [[ -n "$why_not" ]]; then
  echo "-- i386: built, only the plug-ins' export tables checked, not run: $why_not"
  [[ -z ${CABKIT_STAGE_NOTE-} ]] || echo "not run, tables only: $why_not" >>"$CABKIT_STAGE_NOTE"
fi
ctest --preset i386
