#!/bin/sh
# pendant-tool: starts the pendant maintenance tool from this stick.
#   pendant-tool [PACKAGE_DIR]      (the folder that holds tesma.zip)
# The tool runs with a runtime from .pendant-tool/ beside this script: its
# own loader, C and C++ runtime, Qt, plugins and fonts, so the pendant
# provides nothing but its kernel. The bundled loader is started directly
# with the library folder as its search path: nothing is set for the
# programs the tool runs, which use the pendant's own libraries.
# Before the start it reads the pendant and chooses, logging each choice:
#   - the kernel: below the floor of the bundled C library it stops;
#   - the runtime: armhf (ARMv7 with VFPv3) where the processor runs it,
#     else armel (ARMv5TE and newer); a stick may carry one or both;
#   - where to run from: a stick mounted noexec cannot start the loader, so
#     the runtime and sqlite3 are copied to a RAM folder first;
#   - the display: QWS_DISPLAY's frame buffer, else the first /dev/fbN,
#     else the DRM device through linuxfb; X (DISPLAY) only where the
#     runtime carries the X11 platform, the workstation's stick.
# The tool finds the rescue_mode marker and sqlite3, and writes its run log
# (pendant-tool.log), in this script's folder, named to it by
# PENDANT_TOOL_DIR. The launcher waits for the tool, so a tool that dies (a
# Qt abort, say) still leaves an end line in the log.
# PENDANT_PROC, PENDANT_DEV, PENDANT_ETC and PENDANT_SYS (default /proc,
# /dev, /etc, /sys) let tests give the launcher a pendant of their own. Runs under BusyBox ash.
# Exit status: the tool's; 1 when the launcher stops (the reason is printed
# and logged).
case $0 in
  */*) top=${0%/*} ;;
  *) top=. ;;
esac
top=$(cd "$top" && pwd) || exit 1
proc=${PENDANT_PROC:-/proc}
dev=${PENDANT_DEV:-/dev}
etc=${PENDANT_ETC:-/etc}
sys=${PENDANT_SYS:-/sys}
kernel_floor=@KERNEL_FLOOR@

# One line per choice in the tool's run log beside the launcher (nothing
# when the stick is read-only), and on the console.
launch_log() {
  echo "launcher: $*" >&2
  { echo "launcher: $*" >> "$top/pendant-tool.log"; } 2>/dev/null
  return 0
}
# stop CHINESE ENGLISH: says why the tool cannot start, in both languages.
stop() {
  launch_log "$1"
  launch_log "$2"
  exit 1
}

# "3.2.0-4-armmp" -> "3 2 0"
version_words() {
  v=${1%%[!0-9.]*}
  old_ifs=$IFS; IFS=.; set -- $v; IFS=$old_ifs
  echo "${1:-0} ${2:-0} ${3:-0}"
}
# version_below A B: A is an older release than B.
version_below() {
  set -- $(version_words "$1") $(version_words "$2")
  [ "$1" -lt "$4" ] && return 0; [ "$1" -gt "$4" ] && return 1
  [ "$2" -lt "$5" ] && return 0; [ "$2" -gt "$5" ] && return 1
  [ "$3" -lt "$6" ]
}

# ---- The kernel (uname -r): the bundled C library promises nothing below
# its floor.
release=$(cat "$proc/sys/kernel/osrelease" 2>/dev/null) || release=$(uname -r 2>/dev/null)
case $release in
  [0-9]*)
    if version_below "$release" "$kernel_floor"; then
      stop "本示教器的Linux内核版本($release)过旧，本U盘的工具需要$kernel_floor或更新的内核。" \
           "This pendant's Linux kernel ($release) is too old for this stick: it needs $kernel_floor or newer."
    fi
    launch_log "kernel $release (needs $kernel_floor or newer)" ;;
  *) launch_log "kernel release unknown ('$release'), going on" ;;
esac

# ---- The runtime. Debian's armhf needs ARMv7 (or newer) with VFPv3
# (VFPv3-D16 is enough: vfpd32 is not needed); armel runs from ARMv5TE up.
cpu_arch=$(sed -n 's/^CPU architecture[[:space:]]*:[[:space:]]*//p' "$proc/cpuinfo" 2>/dev/null | head -n 1)
cpu_features=$(sed -n 's/^Features[[:space:]]*:[[:space:]]*//p' "$proc/cpuinfo" 2>/dev/null | head -n 1)
runs_armhf() {
  case $cpu_arch in
    [7-9]|[7-9][!0-9]*|[1-9][0-9]*) ;;
    *) return 1 ;;
  esac
  case $cpu_arch in 7|7[!0-9]*) ;; *) return 0 ;; esac   # ARMv8 and later: AArch32 has VFPv4
  case " $cpu_features " in *" vfpv3 "*|*" vfpv4 "*) return 0 ;; esac
  return 1
}
loader_in() {
  for f in "$1"/lib/ld-linux*.so.*; do echo "$f"; done | tail -n 1
}
abi="" refused=""
for a in armhf armel arm64 host; do
  [ -f "$(loader_in "$top/.pendant-tool/$a")" ] || continue
  if [ "$a" = armhf ] && ! runs_armhf; then refused=armhf; continue; fi
  abi=$a; break
done
if [ -z "$abi" ]; then
  [ "$refused" = armhf ] || stop "U盘中缺少运行环境(.pendant-tool)，请重新复制整个文件夹。" \
    "The stick's runtime (.pendant-tool) is missing: copy the whole folder to the stick again."
  stop "本示教器的处理器(ARM架构${cpu_arch:-?})无法运行本U盘中的程序（需要ARMv7和VFPv3），请使用含armel运行环境的U盘。" \
       "This pendant's processor (ARM architecture ${cpu_arch:-?}) cannot run this stick's armhf runtime (it needs ARMv7 with VFPv3): use a stick made for armel or arm."
fi
runtime=$top/.pendant-tool/$abi
launch_log "processor: architecture ${cpu_arch:-unknown}, features ${cpu_features:-unknown}: runtime $abi"

# ---- Where to run from. A stick mounted noexec (or without run bits)
# refuses the loader with "Permission denied" (126): copy the runtime and
# sqlite3 to the first RAM folder with room that lets programs run.
loader_runs() {
  "$(loader_in "$1")" --version >/dev/null 2>&1
}
sqlite3=""
ram=""
read_ahead=""
cleanup() {
  [ -n "$read_ahead" ] && { echo "${read_ahead##*=}" > "${read_ahead%=*}"; } 2>/dev/null
  [ -n "$ram" ] && rm -rf "$ram"
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
status=0
loader_runs "$runtime" || status=$?
if [ "$status" = 126 ] || [ "$status" = 127 ]; then
  need_kb=$(du -sk "$runtime" "$top/sqlite3" 2>/dev/null | sed 's/[[:space:]].*//' | { s=0; while read -r k; do s=$((s + k)); done; echo $s; })
  need_kb=$((need_kb + 1024))
  for d in "$dev/shm" /tmp; do
    [ -d "$d" ] && [ -w "$d" ] || continue
    # The last line's figures; an old BusyBox df without -P puts a long
    # device name on a line of its own, and the figures then start the line.
    free_kb=$({ df -Pk "$d" 2>/dev/null || df -k "$d" 2>/dev/null; } | tail -n 1 | {
      read -r a b c e f g; if [ -n "$g" ]; then echo "$e"; else echo "$c"; fi; })
    case $free_kb in ''|*[!0-9]*) free_kb=0 ;; esac
    if [ "$free_kb" -lt "$need_kb" ]; then
      launch_log "$d has $((free_kb / 1024)) MB free, the runtime needs $((need_kb / 1024)) MB"
      continue
    fi
    ram=$(mktemp -d "$d/pendant-tool.XXXXXX" 2>/dev/null) || continue
    if cp -R "$runtime/." "$ram/" 2>/dev/null && { [ ! -f "$top/sqlite3" ] || { cp "$top/sqlite3" "$ram/sqlite3" && chmod 755 "$ram/sqlite3"; }; } &&
       chmod 755 "$(loader_in "$ram")" 2>/dev/null && loader_runs "$ram"; then
      break
    fi
    launch_log "$d does not let the runtime run (noexec?)"
    rm -rf "$ram"; ram=""
  done
  [ -n "$ram" ] || stop "U盘不允许运行程序(noexec)，且内存(/dev/shm、/tmp)中无法运行本工具（需要$((need_kb / 1024))MB空间）。请以exec方式重新挂载U盘。" \
    "The stick may not run programs (noexec) and no RAM folder (/dev/shm, /tmp) can run the tool (it needs $((need_kb / 1024)) MB): mount the stick again with exec."
  launch_log "the stick cannot run programs (status $status): runtime and sqlite3 copied to $ram"
  runtime=$ram
  [ -f "$ram/sqlite3" ] && sqlite3=$ram/sqlite3
elif [ "$status" != 0 ]; then
  stop "本U盘的运行环境($abi)无法在本示教器上启动（状态$status）。" \
       "This stick's runtime ($abi) cannot start on this pendant (exit status $status)."
fi

# ---- The stick's read-ahead. At the start the loader and Qt fault in
# pages scattered over the libraries (13 MB of 35), and for each fault the
# kernel reads the 128 KB around it from a USB disk: 28 MB read, half a
# minute on a USB 1.1 port (about 1 MB/s). There, until the tool's first
# window is up, the stick reads start_read_ahead_kb at a time (14 MB); the
# tool then puts the disk's own value back, so the package is read at full
# speed, and so does this script at its end. On a faster port the bytes
# cost less than the extra requests, and on other storage (a folder copied
# to the pendant's own) nothing is changed; nor when the runtime was copied
# to RAM, which is read from there.
start_read_ahead_kb=8
if [ -z "$ram" ] && [ -r "$proc/self/mountinfo" ]; then
  # The stick's device: that of the longest mount point above this folder.
  mount_point="" mount_dev=""
  while read -r _id _parent majmin _root point _rest; do
    # The kernel writes a blank in a mount point as \040.
    case $point in *\\040*) point=$(printf '%s\n' "$point" | sed 's/\\040/ /g') ;; esac
    case $point in /) ;; *) case $top/ in "$point"/*) ;; *) continue ;; esac ;; esac
    [ ${#point} -ge ${#mount_point} ] || continue
    mount_point=$point mount_dev=$majmin
  done < "$proc/self/mountinfo"
  queue=$sys/dev/block/$mount_dev
  [ -f "$queue/partition" ] && queue=$queue/..
  queue=$queue/queue/read_ahead_kb
  # The USB device above the disk says its speed in Mbit/s.
  disk_kb="" port=$(readlink -f "$sys/dev/block/$mount_dev" 2>/dev/null) || port=""
  case $port in */usb[0-9]*/*) ;; *) port="" ;; esac
  while [ -n "$port" ] && [ ! -f "$port/speed" ]; do port=${port%/*}; done
  case $(cat "$port/speed" 2>/dev/null) in
    1.5|12) disk_kb=$(cat "$queue" 2>/dev/null) || disk_kb="" ;;
  esac
  case $disk_kb in
    ''|*[!0-9]*) ;;
    *) if [ "$disk_kb" -gt "$start_read_ahead_kb" ] && { echo "$start_read_ahead_kb" > "$queue"; } 2>/dev/null; then
         read_ahead=$queue=$disk_kb
         PENDANT_STICK_READ_AHEAD=$read_ahead
         export PENDANT_STICK_READ_AHEAD
         launch_log "the stick ($mount_dev, $mount_point) is on a USB 1.1 port: it reads ahead $start_read_ahead_kb KB until the first window, then its own $disk_kb KB again"
       fi ;;
  esac
fi

PENDANT_TOOL_DIR=$top
QT_PLUGIN_PATH=$runtime/plugins
FONTCONFIG_FILE=$top/.pendant-tool/fonts/fonts.conf
export PENDANT_TOOL_DIR QT_PLUGIN_PATH FONTCONFIG_FILE
# The tool runs sqlite3 from the stick unless it had to be copied.
if [ -n "$sqlite3" ]; then PENDANT_TOOL_SQLITE3=$sqlite3; export PENDANT_TOOL_SQLITE3; fi

# The pendant's screen and input settings (panel-input.sh, beside the
# runtime): read once here, from the environment and the profile.
panel_display_fb="" panel_display=""
[ -f "$runtime/panel-input.sh" ] && . "$runtime/panel-input.sh"

# ---- The display. A panel has no X server: draw on a frame buffer, the one
# the pendant's own Qt 4 software is told to use (QWS_DISPLAY, such as
# "LinuxFb:/dev/fb1" or "Transformed:Rot90:LinuxFb:/dev/fb1", where it is
# there), else the first there is; without one, linuxfb's DRM path. A platform the caller
# chose (offscreen, for tests) wins, and an X display where the runtime has
# the X11 platform (the workstation's stick; a pendant's runtime has none).
fb_device=""
if [ -z "${QT_QPA_PLATFORM:-}" ]; then
  if [ -n "${DISPLAY:-}" ] && [ ! -f "$runtime/plugins/platforms/libqxcb.so" ]; then
    launch_log "DISPLAY is set ($DISPLAY), but the $abi runtime has no X11 platform: drawing on the frame buffer"
  fi
  if [ -n "${DISPLAY:-}" ] && [ -f "$runtime/plugins/platforms/libqxcb.so" ]; then
    QT_QPA_PLATFORM=xcb
  else
    fb_device=$panel_display_fb
    if [ -z "$fb_device" ]; then
      for n in 0 1 2 3 4 5 6 7; do
        [ -e "$dev/fb$n" ] && { fb_device=/dev/fb$n; break; }
      done
    fi
    if [ -n "$fb_device" ]; then
      QT_QPA_PLATFORM=linuxfb:fb=$fb_device
    elif [ -e "$dev/dri/card0" ]; then
      QT_QPA_PLATFORM=linuxfb
      QT_QPA_FB_DRM=1
      export QT_QPA_FB_DRM
    else
      stop "未找到显示设备（没有/dev/fb0…/dev/fb7，也没有/dev/dri/card0），工具无法显示。" \
           "No display found (no /dev/fb0 to /dev/fb7, no /dev/dri/card0): the tool cannot show anything."
    fi
  fi
  export QT_QPA_PLATFORM
fi
launch_log "display: $QT_QPA_PLATFORM${QT_QPA_FB_DRM:+ (DRM)}${panel_display:+ (QWS_DISPLAY=$panel_display)}"

# ---- Input, calibration and rotation: panel_input reads top, runtime and
# fb_device, may extend QT_QPA_PLATFORM and exports the input settings.
[ -f "$runtime/panel-input.sh" ] && panel_input

status=0
"$(loader_in "$runtime")" --library-path "$runtime/lib" "$runtime/bin/pendant-tool" "$@" || status=$?
if [ "$status" -gt 128 ]; then
  launch_log "end: the tool was stopped by signal $((status - 128)) (exit status $status)"
elif [ "$status" != 0 ]; then
  launch_log "end: the tool ended with exit status $status"
fi
exit "$status"
