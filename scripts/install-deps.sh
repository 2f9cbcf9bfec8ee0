#!/usr/bin/env bash
# Installs the Debian packages cabkit needs to build, test and run, when any
# is missing. Safe to run again: it does nothing once everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang lld libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcli11-dev libtomlplusplus-dev nlohmann-json3-dev libfmt-dev
  gnuplot-nox libxml2-utils binutils file zip
)
# The Windows stage needs the cross compilers (the posix thread variants, see
# cmake/toolchain-mingw-common.cmake), their binutils for the table checks,
# and wine64.
# The 32-bit suite runs under wine32 where this machine executes 32-bit x86
# programs, which only trying tells (scripts/can-run-i386.sh); elsewhere the
# i386 packages would be of no use, and are not installed.
add_i386=0
if [[ "${CABKIT_WINDOWS:-1}" != 0 ]]; then
  packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
             binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64)
  if why=$("$(dirname "$0")/can-run-i386.sh"); then
    packages+=(wine32:i386)
    dpkg --print-foreign-architectures | grep -qx i386 || add_i386=1
  else
    echo "32-bit Windows tests will not run here: $why"
  fi
fi
# Static analysis.
packages+=(clang-format clang-tidy cppcheck valgrind)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

sudo_cmd=()
if [[ $(id -u) != 0 ]]; then sudo_cmd=(sudo); fi
updated=0
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  if ((add_i386)); then "${sudo_cmd[@]}" dpkg --add-architecture i386; fi
  "${sudo_cmd[@]}" apt-get update -qq
  updated=1
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The cab replay page is checked in a headless browser. Where the browser
# cannot be installed everything else still builds and runs, and that test
# reports itself skipped.
if ! command -v chromium >/dev/null 2>&1; then
  echo "installing: chromium (the cab replay's browser test)"
  if ((!updated)); then "${sudo_cmd[@]}" apt-get update -qq || true; fi
  if ! DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
      chromium fonts-dejavu-core; then
    echo "chromium could not be installed: the cab replay will not be checked in a browser (test skipped)" >&2
  fi
fi
