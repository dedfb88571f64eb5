#!/usr/bin/env bash
# Installs what building, testing and the simulated pendant need on Debian,
# then configures and builds the tool. Safe to run again: it installs only
# what is missing and rebuilds incrementally.
#   tools/setup.sh [BUILD_DIR]                      the workstation build (default: build)
#   tools/setup.sh --target armhf|armel|arm64 [BUILD_DIR]  a build for the pendant's processor
#                                                   whose tests run under qemu (default: build-TARGET)
#   tools/setup.sh --packages-only [--target TARGET]  installs, builds nothing
# ARM targets use Debian's cross compilers and its multiarch packages (the
# architecture is added to dpkg). armel is the exception: Debian 12's
# security archive no longer carries it, so libraries that must have one
# version on every architecture (zlib1g, say) cannot be installed for armel
# beside this machine's; its packages are unpacked with mmdebstrap into
# .cache/root-armel instead, which cmake/armel.cmake reads.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
die() { echo "setup: $*" >&2; exit 1; }

target=host build="" packages_only=no
while [ $# -gt 0 ]; do
  case $1 in
    --target) target=${2:?--target needs host, armhf, armel or arm64}; shift 2 ;;
    --packages-only) packages_only=yes; shift ;;
    -*) die "unknown option '$1'" ;;
    *) build=$1; shift ;;
  esac
done
case $target in
  host) build=${build:-$here/build} ;;
  armhf|armel|arm64) build=${build:-$here/build-$target} ;;
  *) die "unknown target '$target' (host, armhf, armel or arm64)" ;;
esac

packages=(
  cmake g++ make pkg-config
  qtbase5-dev libqt5sql5-sqlite zlib1g-dev qtbase5-private-dev libts-dev libdrm-dev
  iputils-ping iproute2 util-linux procps time
  zip unzip sqlite3 jq
  fonts-wqy-microhei fontconfig
  dpkg-dev patch tcl xz-utils icu-devtools
  busybox-static libseccomp-dev
  libssl-dev openssl
)
case $target in
  host) ;;
  armel) packages+=(crossbuild-essential-armel mmdebstrap qemu-user-static) ;;
  *) packages+=("crossbuild-essential-$target" "qtbase5-dev:$target" "libqt5sql5-sqlite:$target" "zlib1g-dev:$target"
                "qtbase5-private-dev:$target" "libts-dev:$target" "libssl-dev:$target" "libdrm-dev:$target"
                qemu-user-static) ;;
esac

missing=()
for p in "${packages[@]}"; do
  # The simulated pendant's BusyBox: Debian's dynamically linked busybox,
  # where the machine has it, has the same applets (the two packages
  # exclude each other, so one must not replace the other).
  [ "$p" = busybox-static ] && dpkg-query -W -f='${Status}' busybox 2>/dev/null | grep -q 'install ok installed' &&
    continue
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [ "$target" != host ] && [ "$target" != armel ] && ! dpkg --print-foreign-architectures | grep -qx "$target"; then
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
if [ "$target" = armel ]; then
  # The armel libraries in a folder of their own (see above): Qt with its
  # SQLite driver and everything they depend on, unpacked, not installed.
  # Qt's code generators there are ARM programs; the build runs this
  # machine's (the same Qt version).
  root=$here/.cache/root-armel
  root_packages=qtbase5-dev,libqt5sql5-sqlite,zlib1g-dev,qtbase5-private-dev,libts-dev
  if [ ! -e "$root/usr/lib/arm-linux-gnueabi/cmake/Qt5/Qt5Config.cmake" ] ||
     [ "$(cat "$root/.packages" 2>/dev/null)" != "$root_packages" ]; then
    echo "setup: unpacking Debian's armel Qt into $root"
    rm -rf "$root.new"
    mkdir -p "$here/.cache"
    mmdebstrap --quiet --variant=extract --mode=root --architectures=armel \
      --include="$root_packages" bookworm "$root.new" \
      "deb http://deb.debian.org/debian bookworm main" "deb http://deb.debian.org/debian bookworm-updates main" ||
      die "mmdebstrap could not unpack the armel packages"
    for t in moc uic rcc qmake; do ln -sf "/usr/lib/qt5/bin/$t" "$root.new/usr/lib/qt5/bin/$t"; done
    echo "$root_packages" > "$root.new/.packages"
    rm -rf "$root" && mv "$root.new" "$root"
  fi
  # Unpacked on top of it, and recorded apart, since the folder is shared
  # by every work tree of this machine and a setup that lists fewer
  # packages must not see it as stale: OpenSSL's libcrypto, which checks
  # package signatures; coreutils' sha256sum, the baseline of the
  # signature benchmark (tools/bench-signature.sh); libdrm's headers, for
  # the DRM path of the stick's linuxfb (cmake/qt_plugins.cmake).
  extra_packages=libssl-dev,coreutils,libdrm-dev
  if [ "$(cat "$root/.extra-packages" 2>/dev/null)" != "$extra_packages" ]; then
    echo "setup: unpacking Debian's armel $extra_packages into $root"
    rm -rf "$root.extra"
    mmdebstrap --quiet --variant=extract --mode=root --architectures=armel \
      --include="$extra_packages" bookworm "$root.extra" \
      "deb http://deb.debian.org/debian bookworm main" "deb http://deb.debian.org/debian bookworm-updates main" ||
      die "mmdebstrap could not unpack $extra_packages for armel"
    tar -C "$root.extra" --exclude=./var --exclude=./dev -cf - . | tar -C "$root" --keep-directory-symlink -xf - ||
      die "cannot add $extra_packages to $root"
    rm -rf "$root.extra"
    echo "$extra_packages" > "$root/.extra-packages"
  fi
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
