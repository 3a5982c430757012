#!/usr/bin/env bash
# Installs what is missing, builds Quillet and starts it from the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build
exec ./build/src/quillet
