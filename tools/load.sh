#!/usr/bin/env bash
# Keeps the machine busy, to see the test suite hold when the machine is slow:
#
#   tools/load.sh [N] [SECONDS]                 N busy processes (default: twice the cores) for
#                                               SECONDS (default 1800), then ends them
#   tools/load.sh [N] [SECONDS] -- COMMAND...   the same while COMMAND runs; ends them as soon as
#                                               COMMAND ends and leaves with COMMAND's status
#
# Each busy process is a shell spinning on the CPU at the ordinary priority, so that tests compete
# with it as they would with any other work. All of them end when the time is up, when the command
# ends, or when this script is interrupted or told to end: none outlives it.
set -euo pipefail

count="${1:-$(($(nproc) * 2))}"
seconds="${2:-1800}"
shift $(($# < 2 ? $# : 2))
if [[ "${1:-}" == "--" ]]; then shift; fi
if ! [[ "$count" =~ ^[0-9]+$ && "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 [N] [SECONDS] [-- COMMAND...]" >&2
  exit 2
fi

pids=()
stop() {
  if ((${#pids[@]})); then kill "${pids[@]}" 2>/dev/null || true; fi
  wait "${pids[@]}" 2>/dev/null || true
  pids=()
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

for ((i = 0; i < count; i++)); do
  # A busy loop bounded by the time itself, so that it ends even if this script is killed.
  timeout --signal=KILL "$seconds" bash -c 'while :; do :; done' &
  pids+=($!)
done
echo "load: $count busy processes for at most ${seconds}s" >&2

if (($#)); then
  status=0
  "$@" || status=$?
  exit "$status"
fi
wait "${pids[@]}" 2>/dev/null || true
