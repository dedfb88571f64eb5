#!/usr/bin/env bash
# The launcher's input choices (stick/panel-input.sh) on typical
# panels: /proc/bus/input/devices as the kernel prints it for a resistive
# single-touch panel (32-bit kernel), a capacitive multi-touch one (64-bit
# kernel), a panel with a USB mouse and keyboard, and one with nothing but
# a power key; with and without tslib calibration, with the pendant's own
# Qt 4 settings, with mdev's flat /dev. Each row runs the fragment under
# BusyBox's ash where it is installed (the pendant's shell), else dash, in a
# fake root, and compares what it exports and logs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$top/tests/e2e/lib/tally.sh"
work=$(mktemp -d /tmp/panel-input.XXXXXX)
trap 'rm -rf "$work"' EXIT
# With BusyBox, its applets alone are on the PATH, as on the pendant.
path=$PATH
if command -v busybox >/dev/null && busybox ash -c : 2>/dev/null; then
  shell=("$(command -v busybox)" ash) path=$work/bin
  mkdir -p "$path"
  for a in cat env grep head mkdir printf rm sed sort tail tr; do ln -s "$(command -v busybox)" "$path/$a"; done
else
  shell=(dash)
fi
echo "# shell: ${shell[*]}, PATH $path"

# row NAME FIXTURE SETUP EXPORTS LOGGED: FIXTURE is panels/FIXTURE.devices
# (or none); SETUP is shell code run in the fake root $root first (files,
# environment); EXPORTS the QT_QPA_*/TSLIB_* variables exported, sorted, one
# per line with the root written @; LOGGED a text the run log must hold.
row() {
  local name=$1 fixture=$2 setup=$3 exports=$4 logged=$5 root=$work/$1
  mkdir -p "$root/proc/bus/input" "$root/dev/input" "$root/etc" "$root/stick/.pendant-tool/plugins/generic" \
    "$root/sys/class/graphics/fb0"
  [ "$fixture" = none ] || cp "$here/panels/$fixture.devices" "$root/proc/bus/input/devices"
  for n in 0 1 2; do : > "$root/dev/input/event$n"; done
  echo 800,480 > "$root/sys/class/graphics/fb0/virtual_size"
  : > "$root/stick/.pendant-tool/plugins/generic/libqtslibplugin.so"
  local got
  got=$(cd "$root" && env -i PATH="$path" root="$root" "${shell[@]}" -c '
    eval "$1"
    top=$root/stick runtime=$root/stick/.pendant-tool fb_device=${fb_device-/dev/fb0}
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-linuxfb}; export QT_QPA_PLATFORM
    PENDANT_PROC=$root/proc PENDANT_DEV=$root/dev PENDANT_ETC=$root/etc PENDANT_SYS=$root/sys
    launch_log() { echo "launcher: $*" >> "$top/pendant-tool.log"; }
    . "$2"
    env | grep -E "^(QT_QPA|TSLIB)_" | sort' sh "$setup" "$top/stick/panel-input.sh" 2>"$work/$name.err")
  got=${got//$root/@}
  expect "$name: exports" equals "$got" "$exports"
  expect "$name: run log says '$logged'" has_line "$root/stick/pendant-tool.log" "${logged//@/$root}"
}

row resistive resistive '' \
'QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS=@/dev/input/event1
QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_PLATFORM=linuxfb' \
'launcher: touch: @/dev/input/event1 (ADS7846 Touchscreen) through evdev'

row calibrated resistive 'echo "1 0 0 0 1 0 65536 800 480" > $root/etc/pointercal' \
'QT_QPA_FB_DISABLE_INPUT=1
QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_GENERIC_PLUGINS=tslib:@/dev/input/event1
QT_QPA_PLATFORM=linuxfb
TSLIB_CALIBFILE=@/etc/pointercal
TSLIB_CONFFILE=@/stick/.pendant-tool/ts/ts.conf
TSLIB_PLUGINDIR=@/stick/.pendant-tool/ts
TSLIB_TSDEVICE=@/dev/input/event1' \
'launcher: calibration: @/etc/pointercal, tslib settings @/stick/.pendant-tool/ts/ts.conf'

row no-tslib-on-stick resistive 'echo "1 0 0 0 1 0 65536" > $root/etc/pointercal; rm $root/stick/.pendant-tool/plugins/generic/libqtslibplugin.so' \
'QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS=@/dev/input/event1
QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_PLATFORM=linuxfb' \
'launcher: calibration: @/etc/pointercal not used (the stick carries no tslib): raw touch range'

row capacitive-mdev capacitive 'rm $root/dev/input/event0; : > $root/dev/event0' \
'QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS=@/dev/event0
QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_PLATFORM=linuxfb' \
'launcher: touch: @/dev/event0 (EP0820M09) through evdev'

row mouse-keyboard mouse '' \
'QT_QPA_EVDEV_KEYBOARD_PARAMETERS=@/dev/input/event2
QT_QPA_EVDEV_MOUSE_PARAMETERS=@/dev/input/event1
QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS=@/dev/input/event0
QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_PLATFORM=linuxfb' \
'launcher: mouse: @/dev/input/event1 (Logitech USB Optical Mouse) through evdev'

# The pendant's Qt 4 profile names tslib on event0, its keyboard, a
# calibration file of its own and a turned screen.
row pendant-settings mouse 'mkdir -p $root/etc/ts $root/etc/profile.d
  echo "1 0 0 0 1 0 65536" > $root/etc/ts/cal
  printf "%s\n" "export QWS_MOUSE_PROTO=\"tslib:/dev/input/event0\"" "QWS_KEYBOARD=LinuxInput:/dev/input/event2 # keys" \
    "export TSLIB_CALIBFILE=$root/etc/ts/cal" > $root/etc/profile
  echo "export QWS_DISPLAY=Transformed:Rot90:LinuxFb:/dev/fb0" > $root/etc/profile.d/qt.sh' \
'QT_QPA_EVDEV_KEYBOARD_PARAMETERS=@/dev/input/event2
QT_QPA_EVDEV_MOUSE_PARAMETERS=@/dev/input/event1
QT_QPA_FB_DISABLE_INPUT=1
QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_GENERIC_PLUGINS=tslib:@/dev/input/event0,evdevmouse,evdevkeyboard
QT_QPA_PLATFORM=linuxfb
TSLIB_CALIBFILE=@/etc/ts/cal
TSLIB_CONFFILE=@/stick/.pendant-tool/ts/ts.conf
TSLIB_PLUGINDIR=@/stick/.pendant-tool/ts
TSLIB_TSDEVICE=@/dev/input/event0' \
'launcher: rotation: the pendant turns its screen by 90 degrees (QWS_DISPLAY); this tool cannot turn its drawing and shows it unturned, touches matching'

row nothing nothing '' \
'QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_PLATFORM=linuxfb' \
'launcher: touch: none found in @/proc/bus/input/devices'

# The frame buffer named only in the platform's settings.
row fb-in-platform nothing 'fb_device= QT_QPA_PLATFORM=linuxfb:fb=/dev/fb0' \
'QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_PLATFORM=linuxfb:fb=/dev/fb0' \
'launcher: screen: /dev/fb0 800x480, platform linuxfb:fb=/dev/fb0'

row no-proc none '' \
'QT_QPA_FB_NO_LIBINPUT=1
QT_QPA_PLATFORM=linuxfb' \
'launcher: screen: /dev/fb0 800x480, platform linuxfb'

# Not the frame buffer (X, or offscreen for tests): Qt's own input stays.
row offscreen resistive 'QT_QPA_PLATFORM=offscreen fb_device=' \
'QT_QPA_PLATFORM=offscreen' \
'launcher: screen: platform offscreen'

finish
