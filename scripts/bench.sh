#!/usr/bin/env bash
# Measures what users wait for: Quillet beside a bare Qt + libcurl program doing the same
# job (bench/bare.cpp), with start-up time, peak and resting memory and wake-ups at rest;
# then CPU per check with no change, in one process (bench/bench_quillet.cpp).
# Installs what is missing, builds a Release tree in build-bench whose echo page is
# 127.0.0.1:<port> over plain HTTP, and runs bench/bench.cpp's driver, which serves that
# page itself. Nothing leaves the loopback interface.
#
#     ./scripts/bench.sh [driver options]     e.g. --window 10 for a quick try
#
# QUILLET_BENCH_PORT chooses the port; otherwise the first free one from 18080 on (the one
# build-bench was made for, while it is free, so that a second run needs no rebuild).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh --tests

build="build-bench"
port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

port=${QUILLET_BENCH_PORT:-}
if [[ -z "$port" ]]; then
    previous=$(sed -n 's/^QUILLET_ECHO_HOST:STRING=127\.0\.0\.1:\([0-9]*\)$/\1/p' \
        "$build/CMakeCache.txt" 2>/dev/null || true)
    for candidate in $previous $(seq 18080 18179); do
        if port_free "$candidate"; then
            port=$candidate
            break
        fi
    done
    [[ -n "$port" ]] || { echo "no free port in 18080-18179; set QUILLET_BENCH_PORT" >&2; exit 1; }
fi

generator=()
[[ -f "$build/CMakeCache.txt" ]] || generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
    -DQUILLET_ECHO_HOST="127.0.0.1:$port" -DQUILLET_ECHO_MORE= -DQUILLET_ECHO6_MORE= -DQUILLET_ECHO_HTTPS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" \
    --target quillet quillet_bare quillet_bench quillet_bench_inprocess

"./$build/bench/quillet_bench" "$@" "./$build/src/quillet" "./$build/bench/quillet_bare" "$port"
"./$build/bench/quillet_bench_inprocess"
