#!/usr/bin/env bash
# Prints the non-blank lines of the tests (tests/ and fuzz/: C++, Python, shell) against
# the non-blank C++ lines of src/, as git tracks them.
set -euo pipefail
cd "$(dirname "$0")/.."

count() { git ls-files "$@" | xargs -r cat | grep -cv '^[[:space:]]*$' || true; }
product=$(count 'src/*.cpp' 'src/*.h')
tests=$(count 'tests/*.cpp' 'tests/*.h' 'tests/*.py' 'tests/*.sh' \
              'fuzz/*.cpp' 'fuzz/*.h' 'fuzz/*.py' 'fuzz/*.sh')
awk -v t="$tests" -v p="$product" 'BEGIN { printf "tests %d lines, product %d lines: %.1f%%\n", t, p, 100 * t / p }'
