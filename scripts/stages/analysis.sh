#!/usr/bin/env bash
# Static analysis: the layout of every C++ file against .clang-format, then
# clang-tidy (checks in .clang-tidy) and cppcheck over the plug-in, host,
# platform and simhost code, with the compile commands of the default build.
# Any finding fails the stage. clang-tidy and cppcheck leave out the tests,
# the benchmarks and the fuzz harness.
set -euo pipefail
cd "$(dirname "$0")/../.."

if [[ ! -f build/compile_commands.json ]]; then
  cmake --preset default >/dev/null
fi
# Generated headers, if any, must exist before the analysers read sources.
cmake --build --preset default >/dev/null

analysed='/(platform|velorin|sentrel|cabrix|sim(/[a-z]+)?)/[^/]*\.cpp$'
mapfile -t sources < <(grep -oE '"file": *"[^"]*"' build/compile_commands.json | sed -E 's/"file": *"(.*)"/\1/' |
  grep -E "$analysed" | grep -v '/tests/' | sort -u)
echo "analysing ${#sources[@]} files"

echo "-- layout (.clang-format)"
mapfile -t formatted < <(git ls-files '*.h' '*.cpp')
clang-format --dry-run -Werror "${formatted[@]}" || {
  echo "clang-format: the files above differ from .clang-format's layout (clang-format -i FILE sets it)" >&2
  exit 1
}

echo "-- contract numbers"
scripts/check-contract-literals.sh

echo "-- clang-tidy"
run-clang-tidy -quiet -p build -j 2 "${sources[@]}" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >build/clang-tidy.log || true
if grep -qE '(warning|error):' build/clang-tidy.log; then
  grep -E -A3 '(warning|error):' build/clang-tidy.log | head -n 200
  echo "clang-tidy: findings (full log in build/clang-tidy.log)" >&2
  exit 1
fi

echo "-- cppcheck"
mkdir -p build/cppcheck
filters=()
for source in "${sources[@]}"; do filters+=("--file-filter=${source#"$PWD"/}"); done
cppcheck --project=build/compile_commands.json "${filters[@]}" \
  --enable=warning,performance,portability --inline-suppr --error-exitcode=1 \
  --suppress=missingIncludeSystem --quiet -j 2 --cppcheck-build-dir=build/cppcheck 2>&1 | tee build/cppcheck.log ||
  { echo "cppcheck: findings" >&2; exit 1; }
echo "analysis clean"
