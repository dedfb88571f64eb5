#!/usr/bin/env bash
# The stick's launcher (stick/pendant-tool.sh) reads the pendant and
# chooses: the kernel floor, the runtime for the processor, a RAM folder
# when the stick is noexec, the display; and it leaves an end line when the
# tool dies. Each row of the table runs the launcher itself, under dash and
# under BusyBox ash, on a fake stick whose "loaders" are scripts recording
# how they were started, with the pendant's /proc and /dev given through
# PENDANT_PROC and PENDANT_DEV. (The real runtime on the simulated pendant
# is tests/e2e/stick_test.sh.)
set -uo pipefail
top=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
. "$top/tests/e2e/lib/tally.sh"
[ "$(id -u)" = 0 ] || skip_all "needs root (noexec mounts)"
unshare --mount true 2>/dev/null || skip_all "no mount namespaces here"
work=$(mktemp -d /tmp/launcher-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The fake stick: both runtimes, each "loader" a script.
template=$work/template
for abi in armhf armel; do
  case $abi in armhf) loader=ld-linux-armhf.so.3 ;; armel) loader=ld-linux.so.3 ;; esac
  mkdir -p "$template/.pendant-tool/$abi/lib" "$template/.pendant-tool/$abi/bin" "$template/.pendant-tool/$abi/plugins"
  cat > "$template/.pendant-tool/$abi/lib/$loader" <<'EOF'
#!/bin/sh
[ "$1" = --version ] && exit 0
{ echo "loader=$0"; echo "args=$*"; echo "platform=${QT_QPA_PLATFORM-}"; echo "drm=${QT_QPA_FB_DRM-}"
  echo "tooldir=${PENDANT_TOOL_DIR-}"; echo "sqlite3=${PENDANT_TOOL_SQLITE3-}"
  echo "readahead=${PENDANT_STICK_READ_AHEAD-}"; echo "readahead_now=$(cat "$FAKE_DISK/queue/read_ahead_kb" 2>/dev/null)"
} > "$FAKE_RECORD"
[ -n "${FAKE_ABORT-}" ] && kill -ABRT $$
exit 0
EOF
  chmod 755 "$template/.pendant-tool/$abi/lib/$loader"
  : > "$template/.pendant-tool/$abi/bin/pendant-tool"
  cp "$top/stick/panel-input.sh" "$template/.pendant-tool/$abi/"
done
mkdir -p "$template/.pendant-tool/fonts"
printf 'static shell\n' > "$template/sqlite3"
chmod 755 "$template/sqlite3"
sed 's|@KERNEL_FLOOR@|3.2.0|' "$top/stick/pendant-tool.sh" > "$template/pendant-tool"
chmod 755 "$template/pendant-tool"

# row NAME CPU RELEASE DEVICES QWS_DISPLAY SETUP: runs the launcher for a
# pendant with processor CPU (a pendant-sim cpuinfo), kernel RELEASE, the
# comma-separated DEVICES under /dev, QWS_DISPLAY in its environment (or,
# written "profile:VALUE", in its /etc/profile), and the stick set up as SETUP says
# (space-separated: armhf-only, noexec, small-shm, no-ram, abort; x11: an
# X display is set; xcb: armhf carries the X11 platform; usb: the stick is
# the first partition of a USB disk that reads ahead 128 KB, on a USB 1.1
# port; usb2: on a USB 2.0 port; internal: on the pendant's own storage).
# Sets
# $status, $record (the loader's record) and $log (the stick's run log).
row() {
  local name=$1 cpu=$2 release=$3 devices=$4 qws=$5 setup=$6 d
  local dir=$work/$name
  mkdir -p "$dir/proc/sys/kernel" "$dir/dev/shm" "$dir/stick" "$dir/etc"
  "$top/tools/pendant-sim/pendant-sim" cpuinfo "$cpu" > "$dir/proc/cpuinfo"
  echo "$release" > "$dir/proc/sys/kernel/osrelease"
  for d in ${devices//,/ }; do mkdir -p "$(dirname "$dir/dev/$d")"; : > "$dir/dev/$d"; done
  local env=(env -u QT_QPA_PLATFORM -u DISPLAY -u QWS_DISPLAY -u QT_QPA_FB_DRM
             PENDANT_PROC="$dir/proc" PENDANT_DEV="$dir/dev" PENDANT_ETC="$dir/etc" PENDANT_SYS="$dir/sys"
             FAKE_RECORD="$dir/record" FAKE_DISK="$dir/sys/block/sda")
  if [[ " $setup " = *" usb"* ]] || [[ " $setup " = *" internal "* ]]; then
    local bus=usb1; [[ " $setup " = *" internal "* ]] && bus=mmc0
    local disk=devices/platform/soc/$bus/1-1/1-1:1.0/host0/block/sda
    mkdir -p "$dir/sys/devices/platform/soc/$bus/1-1"
    if [[ " $setup " = *" usb2 "* ]]; then echo 480; else echo 12; fi > "$dir/sys/devices/platform/soc/$bus/1-1/speed"
    mkdir -p "$dir/proc/self" "$dir/sys/$disk/sda1" "$dir/sys/$disk/queue" "$dir/sys/dev/block" "$dir/sys/block"
    printf '%s\n' "20 1 254:0 / / rw - ext4 /dev/root rw" "36 20 8:1 / ${dir// /\\040}/stick rw,noatime - vfat /dev/sda1 rw" \
      > "$dir/proc/self/mountinfo"
    echo 1 > "$dir/sys/$disk/sda1/partition"
    echo 128 > "$dir/sys/$disk/queue/read_ahead_kb"
    ln -s "../$disk" "$dir/sys/block/sda"
    ln -s "../../$disk/sda1" "$dir/sys/dev/block/8:1"
  fi
  case $qws in
    profile:*) echo "export QWS_DISPLAY=\"${qws#profile:}\"" > "$dir/etc/profile" ;;
    ?*) env+=(QWS_DISPLAY="$qws") ;;
  esac
  [[ " $setup " = *" abort "* ]] && env+=(FAKE_ABORT=1)
  [[ " $setup " = *" x11 "* ]] && env+=(DISPLAY=:0)
  # The stick: a tmpfs of its own, noexec where asked; /dev/shm too small
  # or /tmp noexec where asked; all in a private mount namespace.
  local script='case " $4 " in *" no-ram "*) mount --bind /tmp /tmp && mount -o remount,bind,noexec /tmp || exit 99 ;; esac
    mount -t tmpfs -o "$1" stick "$2" && cp -a "$3/." "$2/" || exit 99
    case " $4 " in *" armhf-only "*) rm -rf "$2/.pendant-tool/armel" ;; esac
    case " $4 " in *" xcb "*) mkdir "$2/.pendant-tool/armhf/plugins/platforms" &&
      : > "$2/.pendant-tool/armhf/plugins/platforms/libqxcb.so" ;; esac
    case " $4 " in *" small-shm "*|*" no-ram "*) mount -t tmpfs -o size=16k shm "$5" || exit 99 ;; esac
    shift 5; exec "$@"'
  local options=exec
  [[ " $setup " = *" noexec "* ]] && options=noexec
  status=0
  unshare --mount --propagation private sh -c "$script" sh "$options" "$dir/stick" "$template" "$setup" "$dir/dev/shm" \
    "${env[@]}" $shell "$dir/stick/pendant-tool" /media/usb > "$dir/out" 2>&1 || status=$?
  record=$(cat "$dir/record" 2>/dev/null)
  log=$(cat "$dir/stick/pendant-tool.log" 2>/dev/null; cat "$dir/out")
}

# name | cpu | kernel | devices | QWS_DISPLAY | setup | status | runtime run (abi, or abi@ram: from a
# RAM folder, or -: none) | QT_QPA_PLATFORM | a line the log must hold (STICK: the stick's folder)
while IFS='|' read -r name cpu release devices qws setup want_status want_run want_platform want_log; do
  [ -z "$name" ] || [ "${name:0:1}" = '#' ] && continue
  for shell in sh "busybox sh"; do
    label="$name (${shell% *})"
    row "$name-${shell// /-}" "$cpu" "$release" "$devices" "$qws" "$setup"
    expect "$label: exit status $want_status" equals "$status" "$want_status"
    loader=$(sed -n 's/^loader=//p' <<<"$record")
    case $loader in
      "") run=- ;;
      */.pendant-tool/*) run=${loader#*/.pendant-tool/}; run=${run%%/*} ;;
      */ld-linux-armhf.so.3) run=armhf@ram ;;
      *) run=armel@ram ;;
    esac
    expect "$label: runtime $want_run" equals "$run" "$want_run"
    [ "$want_run" != - ] && expect "$label: QT_QPA_PLATFORM $want_platform" equals \
      "$(sed -n 's/^platform=//p' <<<"$record")" "$want_platform"
    said=${want_log//STICK/$work/$name-${shell// /-}/stick}
    expect "$label: says '$said'" grep -qF -- "$said" <<<"$log"
    if [[ " $setup " = *" usb"* ]] || [[ " $setup " = *" internal "* ]]; then
      sys=$work/$name-${shell// /-}/sys disk=$sys/block/sda/queue/read_ahead_kb
      if [ "$want_run" = armel ] && [[ " $setup " = *" usb "* ]]; then
        expect "$label: the stick reads ahead 8 KB while the tool starts" equals \
          "$(sed -n 's/^readahead_now=//p' <<<"$record")" 8
        expect "$label: the tool is told the disk's own value" equals "$(sed -n 's/^readahead=//p' <<<"$record")" \
          "$sys/dev/block/8:1/../queue/read_ahead_kb=128"
      else
        expect "$label: the read-ahead left alone" equals "$(sed -n 's/^readahead=//p' <<<"$record")" ""
      fi
      expect "$label: the disk's own read-ahead afterwards" equals "$(cat "$disk")" 128
    fi
    if [ "${want_run#*@}" = ram ]; then
      expect "$label: sqlite3 named from the RAM folder" equals "$(sed -n 's/^sqlite3=//p' <<<"$record")" \
        "$(dirname "$(dirname "$loader")")/sqlite3"
      expect "$label: the RAM folder removed afterwards" test ! -e "$(dirname "$(dirname "$loader")")"
      expect "$label: the marker and log stay on the stick" equals "$(sed -n 's/^tooldir=//p' <<<"$record")" \
        "$work/$name-${shell// /-}/stick"
    fi
  done
done <<'ROWS'
# the kernel: glibc's floor is 3.2
kernel 2.6.35|cortex-a9|2.6.35|fb0|||1|-||This pendant's Linux kernel (2.6.35) is too old for this stick: it needs 3.2.0 or newer.
kernel 3.1.10|arm926|3.1.10|fb0|||1|-||本示教器的Linux内核版本(3.1.10)过旧
kernel 3.2|arm926|3.2.0|fb0|||0|armel|linuxfb:fb=/dev/fb0|launcher: kernel 3.2.0 (needs 3.2.0 or newer)
kernel 3|arm926|3|fb0|||1|-||This pendant's Linux kernel (3) is too old
kernel 2|arm926|2|fb0|||1|-||This pendant's Linux kernel (2) is too old
kernel vendor|cortex-a9|4.1.15-2.0.0+g3b4a4d8|fb0|||0|armhf|linuxfb:fb=/dev/fb0|launcher: kernel 4.1.15-2.0.0+g3b4a4d8
# the processor: armhf needs ARMv7 with VFPv3 (D16 is enough)
cpu arm926|arm926|3.2.0|fb0|||0|armel|linuxfb:fb=/dev/fb0|architecture 5TEJ, features swp half thumb fastmult edsp java: runtime armel
cpu arm1136|arm1136|3.2.0|fb0|||0|armel|linuxfb:fb=/dev/fb0|runtime armel
cpu arm1176|arm1176|3.2.0|fb0|||0|armel|linuxfb:fb=/dev/fb0|architecture 7, features half thumb fastmult vfp edsp java tls: runtime armel
cpu cortex-a8|cortex-a8|3.2.0|fb0|||0|armhf|linuxfb:fb=/dev/fb0|runtime armhf
cpu cortex-a7|cortex-a7|5.4.0|fb0|||0|armhf|linuxfb:fb=/dev/fb0|runtime armhf
cpu arm926, armhf stick|arm926|3.2.0|fb0||armhf-only|1|-||cannot run this stick's armhf runtime (it needs ARMv7 with VFPv3)
# the display, as the pendant's Qt 4 software is told
display fb1 named|arm926|3.2.0|fb0,fb1|LinuxFb:/dev/fb1||0|armel|linuxfb:fb=/dev/fb1|display: linuxfb:fb=/dev/fb1 (QWS_DISPLAY=LinuxFb:/dev/fb1)
display rotated|arm926|3.2.0|fb0,fb1|Transformed:Rot90:LinuxFb:/dev/fb1||0|armel|linuxfb:fb=/dev/fb1|display: linuxfb:fb=/dev/fb1
display fb1 only|arm926|3.2.0|fb1|||0|armel|linuxfb:fb=/dev/fb1|display: linuxfb:fb=/dev/fb1
display named missing|arm926|3.2.0|fb1|LinuxFb:/dev/fb2||0|armel|linuxfb:fb=/dev/fb1|QWS_DISPLAY=LinuxFb:/dev/fb2 (environment): set aside, /dev/fb2 is not there
display in the profile|arm926|3.2.0|fb0,fb1|profile:Transformed:Rot270:LinuxFb:/dev/fb1:mmWidth=154:mmHeight=86||0|armel|linuxfb:fb=/dev/fb1:mmsize=154x86|the pendant turns its screen by 270 degrees
display Multi:|arm926|3.2.0|fb0,fb1|Multi: LinuxFb:/dev/fb1:0 VNC:1||0|armel|linuxfb:fb=/dev/fb1|display: linuxfb:fb=/dev/fb1
display DRM|cortex-a9|4.9.0|dri/card0|||0|armhf|linuxfb|display: linuxfb (DRM)
display none|cortex-a9|4.9.0|input/event0|||1|-||No display found (no /dev/fb0 to /dev/fb7, no /dev/dri/card0)
# X only where the runtime carries its platform (the workstation's stick)
display X, pendant runtime|cortex-a9|4.9.0|fb0||x11|0|armhf|linuxfb:fb=/dev/fb0|DISPLAY is set (:0), but the armhf runtime has no X11 platform: drawing on the frame buffer
display X, runtime with xcb|cortex-a9|4.9.0|fb0||x11 xcb|0|armhf|xcb|display: xcb
# a stick mounted noexec runs from RAM
noexec|arm926|3.2.0|fb0||noexec|0|armel@ram|linuxfb:fb=/dev/fb0|runtime and sqlite3 copied to
noexec, small /dev/shm|cortex-a9|3.2.0|fb0||noexec small-shm|0|armhf@ram|linuxfb:fb=/dev/fb0|MB free, the runtime needs
noexec, no RAM to run from|arm926|3.2.0|fb0||noexec no-ram|1|-||mount the stick again with exec
# a stick on a USB 1.1 port reads ahead little while the tool starts from
# it; not on a faster port, nor when the runtime runs from RAM, nor other
# storage; a tool that dies still gets the value back
usb stick|arm926|3.2.0|fb0||usb|0|armel|linuxfb:fb=/dev/fb0|the stick (8:1, STICK) is on a USB 1.1 port: it reads ahead 8 KB until the first window, then its own 128 KB again
usb 2.0 stick|arm926|3.2.0|fb0||usb2|0|armel|linuxfb:fb=/dev/fb0|runtime armel
usb stick, noexec|arm926|3.2.0|fb0||usb noexec|0|armel@ram|linuxfb:fb=/dev/fb0|runtime and sqlite3 copied to
usb stick, abort|arm926|3.2.0|fb0||usb abort|134|armel|linuxfb:fb=/dev/fb0|launcher: end: the tool was stopped by signal 6
internal storage|arm926|3.2.0|fb0||internal|0|armel|linuxfb:fb=/dev/fb0|runtime armel
# a tool that dies still leaves an end line
abort|arm926|3.2.0|fb0||abort|134|armel|linuxfb:fb=/dev/fb0|launcher: end: the tool was stopped by signal 6 (exit status 134)
ROWS

finish
