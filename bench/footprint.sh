#!/usr/bin/env bash
# Memory of the real program at rest: starts a built quillet in a scratch directory,
# lets it finish start-up, reads its resident size, then ends it with SIGTERM.
# Use a build whose echo host is on the loopback interface (e.g. build-tests).
set -euo pipefail
binary=${1:-build-tests/src/quillet}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$binary" "$dir/quillet"
QT_QPA_PLATFORM=offscreen "$dir/quillet" 2>/dev/null &
pid=$!
sleep 2
grep -E 'VmRSS|VmHWM' "/proc/$pid/status"
kill -TERM "$pid"
wait "$pid"
echo "exit status $?; config.txt lines: $(grep -c $'\r$' "$dir/config.txt")"
