#!/usr/bin/env bash
# Installs what building, testing and the simulated pendant need on Debian,
# then configures and builds the tool. Safe to run again: it installs only
# what is missing and rebuilds incrementally.
#   tools/setup.sh [BUILD_DIR]        (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}

packages=(
  cmake g++ make pkg-config
  qtbase5-dev libqt5sql5-sqlite
  iputils-ping iproute2 util-linux procps time
  zip unzip sqlite3 jq
  fonts-wqy-microhei fontconfig
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
