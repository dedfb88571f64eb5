#!/usr/bin/env bash
# Sets everything up, builds, and runs every test (unit, flow and end to end
# on the simulated pendant) with CTest.
#   tools/run-tests.sh [BUILD_DIR]                       the workstation build (default: build)
#   tools/run-tests.sh --target armhf|armel|arm64 [BUILD_DIR]  a build for the pendant's processor
#       (default: build-TARGET): its unit and flow tests and its sqlite3 under qemu, and its
#       stick end to end on the simulated pendant
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
target=host
if [ "${1:-}" = --target ]; then target=${2:?--target needs armhf, armel or arm64}; shift 2; fi
case $target in
  host) build=${1:-$top/build} ;;
  *) build=${1:-$top/build-$target} ;;
esac
"$top/tools/setup.sh" --target "$target" "$build"
mkdir -p "$build/screenshots"
cd "$build"
ctest --output-on-failure -j2
echo "Screenshots of the dialogs the tests showed: $build/screenshots"
