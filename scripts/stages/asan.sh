#!/usr/bin/env bash
# Sanitizer stage: the whole suite again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer. The browser check is left out (its test preset
# says so): it tests the page simhost writes, which the default stage has
# checked, and spends its time in the browser rather than in our code.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset asan
cmake --build --preset asan
ctest --preset asan
