#!/usr/bin/env bash
# Builds Jorvane and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)"
exec ./build/mainapp/jorvane "$@"
