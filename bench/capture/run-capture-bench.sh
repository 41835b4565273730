#!/usr/bin/env bash
# Builds the release configuration (with the benchmarks) and measures capture
# latency on the GTK 3 and Qt fixtures inside a private headless desktop.
#   bench/capture/run-capture-bench.sh [extra benchmark arguments]
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup
scripts/build release
export VORN_QT_FIXTURE="$PWD/build/release/tests/desktop/fixtures/vorn_qt_fixture"
exec tests/desktop/run-desktop.sh -- build/release/bench/capture/capture_bench "$@"
