#!/usr/bin/env bash
# install-deps.sh [--dry-run | --list] PURPOSE...
#
# Installs the Debian packages that the named purposes need and that are
# missing; does nothing when all are there. Purposes:
#   run       build simhost and the plug-ins, draw the demo's chart
#   default   the Linux test suite (the browser check comes with `browser`)
#   asan      the same suite under the sanitizers
#   analysis  clang-format, clang-tidy, cppcheck
#   fuzz      the libFuzzer targets (clang)
#   windows   the cross compilers and wine; the 32-bit wine where it can be had
#   i386      the Linux i386 build of the plug-ins and their tests
#   browser   headless chromium for the cab replay page (optional)
#   bench     the benchmarks and callgrind
#   test      all that scripts/test.sh runs with no argument
# --dry-run says what it would install and changes nothing; --list prints
# every package of the purposes, installed or not, one a line.
#
# Required packages decide the exit status. Optional ones (the 32-bit wine with
# the i386 architecture, chromium) are installed in apt calls of their own and
# never fail the command: where one cannot be had, the reason is kept in
# build/optional/<name>.why for the stage that needs it to print. Mirrors are
# sometimes out of step, so the package lists are refreshed with retries and,
# failing that, the lists there are serve.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
notes=$repo/build/optional

usage() {
  sed -n '2,19s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

mode=install
purposes=()
for argument in "$@"; do
  case $argument in
    --dry-run) mode=dry-run ;;
    --list) mode=list ;;
    -h | --help) usage ;;
    -*) echo "install-deps.sh: unknown option $argument" >&2; usage ;;
    *) purposes+=("$argument") ;;
  esac
done
((${#purposes[@]})) || usage

required=()
optional=()  # names as given to apt; wine32:i386 stands for the i386 part
add_purpose() {
  local build=(cmake ninja-build g++)
  local libraries=(libcli11-dev libtomlplusplus-dev nlohmann-json3-dev libfmt-dev)
  local suite=(libgtest-dev libgmock-dev libxml2-utils binutils file)
  case $1 in
    run) required+=("${build[@]}" "${libraries[@]}" gnuplot-nox) ;;
    # The default stage also builds the benchmarks and runs each once.
    default) add_purpose run; required+=("${suite[@]}" libbenchmark-dev) ;;
    asan) add_purpose run; required+=("${suite[@]}") ;;
    # The analysers read the default build's compile commands.
    analysis) add_purpose default; required+=(clang-format clang-tidy cppcheck) ;;
    fuzz) required+=(cmake ninja-build clang lld libclang-rt-14-dev) ;;
    # The cross builds compile GoogleTest from the sources in `googletest`; the
    # Linux simhost gives the reference traces. The 32-bit wine only where
    # this machine runs 32-bit x86 code at all.
    windows)
      add_purpose run
      required+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
                 binutils-mingw-w64-x86-64 wine64 googletest zip unzip)
      if "$repo/scripts/can-run-i386.sh" >/dev/null; then optional+=(wine32:i386); fi
      ;;
    i386) required+=(cmake ninja-build g++-multilib googletest) ;;
    browser) optional+=(chromium) ;;
    bench) add_purpose default; required+=(libbenchmark-dev valgrind) ;;
    test) for stage in default asan analysis fuzz windows i386 browser; do add_purpose "$stage"; done ;;
    *) echo "install-deps.sh: unknown purpose '$1'" >&2; usage ;;
  esac
}
for purpose in "${purposes[@]}"; do add_purpose "$purpose"; done
mapfile -t required < <(printf '%s\n' "${required[@]}" | awk '!seen[$0]++')
mapfile -t optional < <(printf '%s\n' "${optional[@]}" | awk 'NF && !seen[$0]++')

if [[ $mode == list ]]; then
  printf '%s\n' "${required[@]}"
  ((${#optional[@]} == 0)) || printf '%s (optional)\n' "${optional[@]}"
  exit 0
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for package in "${required[@]}"; do installed "$package" || missing+=("$package"); done
wanted=()  # the optional ones that are missing
for package in "${optional[@]}"; do installed "$package" || wanted+=("$package"); done
if [[ $mode == dry-run ]]; then
  echo "would install: ${missing[*]:-nothing}"
  echo "would try (optional): ${wanted[*]:-nothing}"
  exit 0
fi
# Once installed, an optional package's old reason no longer holds.
for package in "${optional[@]}"; do
  [[ " ${wanted[*]-} " == *" $package "* ]] || rm -f "$notes/${package%%:*}.why"
done

((${#missing[@]} + ${#wanted[@]})) || exit 0

as_root=()
[[ $(id -u) == 0 ]] || as_root=(sudo)
apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300)
log=$(mktemp "${TMPDIR:-/tmp}/cabkit-apt.XXXXXX")
trap 'rm -f "$log"' EXIT

# apt's own words for what went wrong, in one line.
reasons() { grep -E '^(E|Err):' "$log" | grep -v 'Some index files failed to download' | sed -E 's/^E: //' | awk '!seen[$0]++' | head -n 4 | paste -sd ';' | sed 's/;/; /g'; }

# refresh_lists [TRIES]: apt-get update, tried a few times (3) with a pause
# between, as a mirror in the middle of a sync often recovers within a minute.
# Returns 1, with the reason in $update_failure, when every try failed.
update_failure=
refresh_lists() {
  local try tries=${1:-3}
  for ((try = 1; try <= tries; try++)); do
    if "${apt[@]}" update -qq >"$log" 2>&1 && ! grep -qE '^(E|Err):' "$log"; then
      update_failure=
      return 0
    fi
    update_failure=$(reasons)
    echo "apt-get update failed (try $try of $tries): ${update_failure:-no reason given}" >&2
    ((try == tries)) || sleep "${CABKIT_APT_PAUSE:-15}"
  done
  return 1
}

# install_packages PACKAGE...: one apt call; apt's reason in $install_failure.
install_failure=
install_packages() {
  if "${apt[@]}" install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    cat "$log"
    return 0
  fi
  install_failure=$(reasons)
  return 1
}

# note_optional NAME REASON: the line the stage that needs NAME prints.
note_optional() {
  mkdir -p "$notes"
  printf '%s\n' "$2" >"$notes/$1.why"
  echo "optional $1 not installed: $2" >&2
}

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  refresh_lists || echo "going on with the package lists there are" >&2
  if ! install_packages "${missing[@]}"; then
    message="cannot install the packages cabkit needs (${missing[*]}): ${install_failure:-apt-get install failed}"
    [[ -z $update_failure ]] || message+=" (the package lists could not be refreshed: $update_failure)"
    echo "$message" >&2
    exit 1
  fi
fi

for package in "${wanted[@]}"; do
  case $package in
    wine32:i386)
      # The i386 architecture, if this script adds it, goes again when its
      # packages cannot be had: a half-working architecture would make every
      # later apt call of the machine fail or complain.
      added_i386=0
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
        added_i386=1
      fi
      echo "installing (optional): wine32:i386"
      # Two tries only: it is optional, and each costs the whole index.
      refresh_lists 2 || echo "trying wine32:i386 with the package lists there are" >&2
      if ! install_packages wine32:i386; then
        reason="the 32-bit wine could not be installed: ${install_failure:-apt-get install failed}"
        [[ -z $update_failure ]] || reason+=" (apt-get update: $update_failure)"
        note_optional wine32 "$reason"
        if ((added_i386)); then
          echo "removing the i386 architecture added above" >&2
          "${as_root[@]}" dpkg --remove-architecture i386 || true
        fi
      fi
      ;;
    chromium)
      echo "installing (optional): chromium (the cab replay's browser check)"
      if [[ ${#missing[@]} == 0 ]]; then refresh_lists 2 || true; fi
      install_packages chromium fonts-dejavu-core ||
        note_optional chromium "chromium could not be installed: ${install_failure:-apt-get install failed}"
      ;;
  esac
done
exit 0
