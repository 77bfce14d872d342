#!/usr/bin/env bash
# Non-blank lines of the tests against the program's code: the C++ sources of src/ and tools/
# (their build files and icons are not counted). Everything whose purpose is testing counts,
# build files included: tests/, the mutation check and its faults, and this script.
# bench/ and fuzz/ are neither.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { find "$@" -type f -print0 | xargs -0 cat | grep -cv '^[[:space:]]*$'; }
code=$(count src tools \( -name '*.cpp' -o -name '*.h' \))
tests=$(count tests scripts/mutation-check.py scripts/mutations scripts/test-share.sh)
echo "code $code, tests $tests: $((100 * tests / code)) %"
