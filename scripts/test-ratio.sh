#!/usr/bin/env bash
# Prints the size of the tests against the code they guard: lines of .cpp and .h
# under tests/ and src/ that are neither blank nor comment-only.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { find "$1" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | grep -v -c -E '^\s*(//.*)?$'; }
tests=$(count tests)
code=$(count src)
echo "tests/ ${tests} lines, src/ ${code} lines: tests are $((100 * tests / code)) % of the code"
