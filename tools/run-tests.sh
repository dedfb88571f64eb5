#!/usr/bin/env bash
# Sets everything up, builds, and runs every test (unit, flow and end to end
# on the simulated pendant) with CTest.
#   tools/run-tests.sh [BUILD_DIR]    (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
"$top/tools/setup.sh" "$build"
mkdir -p "$build/screenshots"
cd "$build"
ctest --output-on-failure -j2
echo "Screenshots of the dialogs the tests showed: $build/screenshots"
