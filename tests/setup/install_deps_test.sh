#!/usr/bin/env bash
# install-deps.sh against a stand-in apt: failing index refreshes, packages
# that do not resolve, and the i386 architecture it adds and must take back.
# The script runs from a copy of scripts/ in a scratch folder, so its notes
# land there; apt-get, dpkg, dpkg-query and sudo are stubs on PATH.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/install-deps-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/repo/scripts" "$work/bin"
cp "$source_dir/scripts/install-deps.sh" "$source_dir/scripts/can-run-i386.sh" "$work/repo/scripts/"

cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
[[ " $STUB_INSTALLED " == *" ${!#} "* ]] && printf 'install ok installed'
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STUB_LOG"
case $1 in
  --print-foreign-architectures) cat "$STUB_STATE/arch" 2>/dev/null || true ;;
  --add-architecture) echo "$2" >"$STUB_STATE/arch" ;;
  --remove-architecture) rm -f "$STUB_STATE/arch" ;;
esac
EOF
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_LOG"
for argument; do
  case $argument in
    update)
      if [[ -n $STUB_UPDATE_FAILS ]]; then echo "E: Failed to fetch $STUB_UPDATE_FAILS"; exit 100; fi
      exit 0 ;;
    install) installing=1 ;;
    -*) ;;
    *) if [[ -n ${installing-} && " $STUB_UNRESOLVABLE " == *" $argument "* ]]; then
         echo "E: Unable to locate package $argument"; exit 100
       fi ;;
  esac
done
EOF
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

i386_runs=1
"$source_dir/scripts/can-run-i386.sh" >/dev/null || i386_runs=0
required_run=$("$work/repo/scripts/install-deps.sh" --list run | paste -sd' ')

failures=0
# name | purposes | installed | unresolvable | update fails | i386 before | exit | output must contain | i386 after
cases=(
  "nothing missing|run|$required_run|||no|0|!apt-get|no"
  "index unreachable, required still installed|run|||mirror-sync|no|0|going on with the package lists there are|no"
  "required package unresolvable|default|$required_run|libxml2-utils|mirror-sync|no|1|cannot install the packages cabkit needs (libgtest-dev libgmock-dev libxml2-utils binutils file libbenchmark-dev): Unable to locate package libxml2-utils (the package lists could not be refreshed: Failed to fetch mirror-sync)|no"
  "optional chromium unresolvable|run browser|$required_run|chromium||no|0|optional chromium not installed: chromium could not be installed: Unable to locate package chromium|no"
  "wine32 unresolvable, added i386 removed|windows|$required_run|wine32:i386|i386-index|no|0|removing the i386 architecture added above|no|i386"
  "wine32 unresolvable, i386 of the machine kept|windows|$required_run|wine32:i386||yes|0|optional wine32 not installed|yes|i386"
  "wine32 installed, i386 added and kept|windows|$required_run|||no|0|installing (optional): wine32:i386|yes|i386"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name purposes installed unresolvable update_fails before expected_exit expected after needs <<<"$row"
  if [[ $needs == i386 && $i386_runs == 0 ]]; then
    echo "skipped (this machine runs no i386 code): $name"
    continue
  fi
  export STUB_STATE=$work/state STUB_LOG=$work/log STUB_INSTALLED=$installed STUB_UNRESOLVABLE=$unresolvable \
         STUB_UPDATE_FAILS=$update_fails
  rm -rf "$STUB_STATE" "$STUB_LOG" "$work/repo/build"
  mkdir -p "$STUB_STATE"
  [[ $before == no ]] || echo i386 >"$STUB_STATE/arch"
  status=0
  # shellcheck disable=SC2086 # the purposes are words
  output=$(PATH="$work/bin:$PATH" CABKIT_APT_PAUSE=0 "$work/repo/scripts/install-deps.sh" $purposes 2>&1) || status=$?
  touch "$STUB_LOG"
  problem=
  if [[ $status != "$expected_exit" ]]; then
    problem="exit $status, expected $expected_exit"
  elif [[ $expected == '!'* ]]; then
    ! grep -q "${expected#!}" "$STUB_LOG" || problem="called ${expected#!}"
  elif [[ $output != *"$expected"* ]]; then
    problem="output lacks: $expected"
  fi
  if [[ -z $problem && -n $update_fails && $(grep -c ' update ' "$STUB_LOG") -lt 2 ]]; then
    problem="the index refresh was not retried"
  fi
  arch_now=no
  [[ ! -s $STUB_STATE/arch ]] || arch_now=yes
  [[ -n $problem || $arch_now == "$after" ]] || problem="i386 configured afterwards: $arch_now, expected $after"
  if [[ -n $problem ]]; then
    echo "FAILED: $name: $problem"
    printf '  | %s\n' "$output"
    failures=$((failures + 1))
  else
    echo "ok: $name"
  fi
done
((failures == 0))
