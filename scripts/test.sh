#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
# Window tests run on a private Xvfb display that the test run starts and stops itself.
# Usage: scripts/test.sh [preset]   (dev, the default, or sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-dev}"
scripts/install-deps.sh test
echo "test: configuring and building (preset $preset)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
echo "test: running the tests"
ctest --preset "$preset"
