#!/usr/bin/env bash
# Builds Jorvane and runs every test (unit, integration and end-to-end).
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
if [[ -f tests/e2e/package.json ]]; then
  (cd tests/e2e && npm install --no-audit --no-fund --loglevel=error)
fi
cmake -S . -B build -DJV_WERROR="${JV_WERROR:-OFF}" >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
