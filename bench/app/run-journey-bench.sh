#!/usr/bin/env bash
# The whole journey's latency (key press to painted results, minus the local service's
# own time; median of 20) beside the key press to the query leaving, on a private
# headless desktop with the GTK 3 fixture:
#   bench/app/run-journey-bench.sh [build folder]    (default: build/release, built first)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
if [ $# -eq 0 ]; then
  scripts/setup
  scripts/build release >/dev/null
fi
cmake --build "$build" --target bench_journey vorn-cite vorn-cite-service >/dev/null
exec tests/desktop/run-desktop.sh -- "$build/bench/app/bench_journey"
