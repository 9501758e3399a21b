#!/usr/bin/env bash
# Runs the end-to-end tests with node's test runner. Without playwright-core installed (npm install
# in this folder, which ./test.sh does) the tests are skipped, except in CI, where that fails.
set -euo pipefail
node="$1"
shift
if [[ ! -d node_modules/playwright-core ]]; then
  echo "playwright-core is not installed: run 'npm install' in tests/e2e (./test.sh does)."
  if [[ -n "${CI:-}" ]]; then exit 1; fi
  exit 77
fi
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"
exec "$node" --test --test-concurrency=1 "$@"
