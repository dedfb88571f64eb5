#!/usr/bin/env bash
# Installs what building, testing and the simulated pendant need on Debian,
# then configures and builds the tool. Safe to run again: it installs only
# what is missing and rebuilds incrementally.
#   tools/setup.sh [BUILD_DIR]                      the workstation build (default: build)
#   tools/setup.sh --target armhf|arm64 [BUILD_DIR] a build for the pendant's processor whose
#                                                   tests run under qemu (default: build-TARGET)
#   tools/setup.sh --packages-only [--target TARGET]  installs, builds nothing
# ARM targets use Debian's multiarch packages (the architecture is added to
# dpkg) and its cross compilers.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
die() { echo "setup: $*" >&2; exit 1; }

target=host build="" packages_only=no
while [ $# -gt 0 ]; do
  case $1 in
    --target) target=${2:?--target needs host, armhf or arm64}; shift 2 ;;
    --packages-only) packages_only=yes; shift ;;
    -*) die "unknown option '$1'" ;;
    *) build=$1; shift ;;
  esac
done
case $target in
  host) build=${build:-$here/build} ;;
  armhf|arm64) build=${build:-$here/build-$target} ;;
  *) die "unknown target '$target' (host, armhf or arm64)" ;;
esac

packages=(
  cmake g++ make pkg-config
  qtbase5-dev libqt5sql5-sqlite zlib1g-dev
  iputils-ping iproute2 util-linux procps time
  zip unzip sqlite3 jq
  fonts-wqy-microhei fontconfig
  dpkg-dev tcl xz-utils
)
if [ "$target" != host ]; then
  packages+=("crossbuild-essential-$target" "qtbase5-dev:$target" "libqt5sql5-sqlite:$target" "zlib1g-dev:$target"
             qemu-user-static)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [ "$target" != host ] && ! dpkg --print-foreign-architectures | grep -qx "$target"; then
    dpkg --add-architecture "$target"
  fi
  if printf '%s\n' "${missing[@]}" | grep -qx qemu-user-static; then
    # qemu-user-static registers its emulators with the machine's
    # binfmt_misc when update-binfmts (binfmt-support) is there, and systemd
    # does so at boot from /usr/lib/binfmt.d. This project runs ARM
    # programs only in namespaces of their own (tools/emulate), so the
    # machine itself must never get a registration.
    command -v update-binfmts >/dev/null &&
      die "binfmt-support is installed: installing qemu-user-static would register ARM emulators on this machine; install qemu-user-static by hand once you accept that"
  fi
  apt-get update -qq || die "apt-get update failed"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    die "cannot install the packages for target $target: ${missing[*]}"
fi
if [ "$target" != host ]; then
  # Keep systemd from registering the emulators at boot (an entry in
  # /etc/binfmt.d that points to /dev/null masks the one qemu ships).
  mkdir -p /etc/binfmt.d
  for f in arm aarch64; do
    [ -e "/etc/binfmt.d/qemu-$f.conf" ] || [ -L "/etc/binfmt.d/qemu-$f.conf" ] ||
      ln -s /dev/null "/etc/binfmt.d/qemu-$f.conf"
  done
fi
[ "$packages_only" = yes ] && exit 0

if [ "$target" = host ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
else
  # The tests run against the simulated controller, a loopback address.
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$target.cmake" -Dnfs_server_ip=127.0.0.2 >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
