#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in a normal build and
# in a debug build with AddressSanitizer and UndefinedBehaviorSanitizer; then runs each
# fuzz target for a short while from its seed corpus. The test builds
# point the echo page and the DynDNS service at the loopback interface, where nothing
# answers unless a test starts a server, so no test reaches beyond this machine.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh --tests

files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'fuzz/*.cpp' 'bench/*.cpp' 'bench/*.h' 2>/dev/null || true)
if [[ -n "$files" ]]; then
    echo "== clang-format"
    # shellcheck disable=SC2086
    clang-format --dry-run -Werror $files
fi

echo "== layers"
./scripts/include_edges.sh
echo "== test/product lines"
./scripts/line_count.sh

loopback=(-DQUILLET_ECHO_HOST=127.0.0.1:9 -DQUILLET_ECHO_MORE= -DQUILLET_ECHO6_HOST=[::1]:9 -DQUILLET_ECHO6_MORE= -DQUILLET_ECHO_HTTPS=OFF -DQUILLET_DYNDNS_HOST=127.0.0.1:9)
jobs=$(nproc)

echo "== normal build"
cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${loopback[@]}"
cmake --build build-tests -j "$jobs"
ctest --test-dir build-tests --output-on-failure -j "$jobs"

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLET_SANITIZE=ON "${loopback[@]}"
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz (15 s a target; fuzz/README.md runs them longer)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLET_FUZZ=ON "${loopback[@]}"
cmake --build build-fuzz -j "$jobs"
for target in settings smtp text requests; do
    found=$(mktemp -d)
    log=build-fuzz/fuzz_$target.log
    status=0
    ./build-fuzz/fuzz/fuzz_$target -max_total_time=15 -print_final_stats=1 \
        -artifact_prefix=build-fuzz/ "$found" fuzz/corpus/$target >"$log" 2>&1 || status=$?
    rm -rf "$found"
    echo "fuzz_$target: $(grep -E '^stat::number_of_executed_units' "$log")"
    if [[ $status -ne 0 ]]; then
        tail -n 40 "$log"
        echo "fuzz_$target found a fault; the input is in build-fuzz/"
        exit 1
    fi
done
