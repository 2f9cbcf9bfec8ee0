#!/usr/bin/env bash
# Static analysis: the layout of every C++ file against .clang-format, then
# clang-tidy (checks in .clang-tidy) and cppcheck over the plug-in, host,
# platform and simhost code, with the compile commands of the default build.
# Any finding fails the stage. clang-tidy and cppcheck leave out the tests,
# the benchmarks and the fuzz harness.
set -euo pipefail
cd "$(dirname "$0")/../.."

[[ -f build/compile_commands.json ]] || cmake --preset default >/dev/null
# The analysers read the sources, not the objects: only the generated headers
# must exist (after the default stage they do, and this builds nothing).
mapfile -t generated < <(ninja -C build -t targets all | sed -n 's/^\([^/][^:]*\.h\): CUSTOM_COMMAND$/\1/p')
((${#generated[@]} == 0)) || cmake --build --preset default --target "${generated[@]}" >/dev/null

# One compile command per analysed file: a file built into two targets (the
# Velorin core also goes into a test library) would otherwise be analysed
# twice by each tool.
mkdir -p build/analysis
mapfile -t sources < <(python3 - build/compile_commands.json build/analysis/compile_commands.json <<'PRUNE'
import json, os, re, sys
analysed = re.compile(r"/(platform|velorin|sentrel|cabrix|sim(/[a-z_]+)*)/[^/]*\.cpp$")
kept = {}
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    # The validator's allocation counter replaces the C library's allocator
    # under its own names: it declares the library's internal entry points and
    # defines malloc's family, which the analysers' naming checks are not for.
    if "/tests/" in path or not analysed.search(path) or path.endswith("/sim/validate/allocation_counter.cpp"):
        continue
    from_tests = entry.get("output", "").startswith("tests/")
    if path not in kept or (kept[path][0] and not from_tests):
        kept[path] = (from_tests, dict(entry, file=path))
json.dump([kept[path][1] for path in sorted(kept)], open(sys.argv[2], "w"), indent=1)
print("\n".join(sorted(kept)))
PRUNE
)
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
run-clang-tidy -quiet -p build/analysis -j "$(nproc)" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >build/clang-tidy.log || true
if grep -qE '(warning|error):' build/clang-tidy.log; then
  grep -E -A3 '(warning|error):' build/clang-tidy.log | head -n 200
  echo "clang-tidy: findings (full log in build/clang-tidy.log)" >&2
  exit 1
fi

echo "-- cppcheck"
mkdir -p build/cppcheck
cppcheck --project=build/analysis/compile_commands.json \
  --enable=warning,performance,portability --inline-suppr --error-exitcode=1 \
  --suppress=missingIncludeSystem --quiet -j "$(nproc)" --cppcheck-build-dir=build/cppcheck 2>&1 | tee build/cppcheck.log ||
  { echo "cppcheck: findings" >&2; exit 1; }
echo "analysis clean"
