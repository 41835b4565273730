#!/usr/bin/env bash
# Builds the release configuration and measures warm accessibility captures in real
# applications inside a private headless desktop. The applications are not part of
# scripts/setup; install those to compare (mousepad featherpad evince
# libreoffice-writer chromium firefox-esr): missing ones are skipped.
#   bench/capture/run-application-bench.sh [extra benchmark arguments]
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup
scripts/build release
exec tests/desktop/run-desktop.sh --no-fixtures -- build/release/bench/capture/application_capture_bench "$@"
