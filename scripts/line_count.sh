#!/usr/bin/env bash
# Prints the non-blank lines of the tests (tests/ and fuzz/: C++, Python, shell) against
# the non-blank C++ lines of src/, as git tracks them.
set -euo pipefail
cd "$(dirname "$0")/.."

count() { git ls-files "$@" | xargs -r cat | grep -cv '^[[:space:]]*$' || true; }
product=$(count 'src/*.cpp' 'src/*.h')
tests=$(count 'tests/*.cpp' 'tests/*.h' 'tests/*.py' 'tests/*.sh' \
              'fuzz/*.cpp' 'fuzz/*.h' 'fuzz/*.py' 'fuzz/*.sh')
echo "tests ${tests} lines, product ${product} lines: $((100 * tests / product))%"
