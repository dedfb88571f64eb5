#!/usr/bin/env bash
# The launcher's input choices (stick/panel-input.sh) on typical panels:
# /proc/bus/input/devices as the kernel prints it (panels/*.devices: a
# resistive single-touch panel on a 32-bit kernel, a capacitive one on a
# 64-bit kernel, one without BTN_TOUCH, a multi-touch-only one, a panel with
# an unused ADC, a mouse, gpio-keys and a touch controller with keys, lines
# that are malformed or hostile), with and without a tslib calibration, and
# the pendant's own Qt 4 settings in its environment or profile. Each row
# runs the fragment under BusyBox's ash (the pendant's shell, its applets
# alone on the PATH) and under dash, in a fake root; the hostile rows also
# under bash. Nothing from /proc or the profile may run: a file "sentinel"
# would show it.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$top/tests/e2e/lib/tally.sh"
work=$(mktemp -d /tmp/panel-input.XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
shells=(dash)
if command -v busybox >/dev/null && busybox ash -c : 2>/dev/null; then
  mkdir -p "$work/bin"
  for a in cat env grep head ln mkdir printf readlink rm sed sort tail tr; do ln -s "$(command -v busybox)" "$work/bin/$a"; done
  shells=(busybox dash)
fi

# run NAME SHELL FIXTURE SETUP PROFILE: the fragment in a fake root $root
# after SETUP (shell code: files, environment), with /etc/profile PROFILE
# (lines separated by \n; none when empty); sets $got, one line of what it
# exported (touch= mouse= keys= tslib= cal= plugins= platform=, devices of
# /dev/input by their names alone, the root written @), and $root.
run() {
  local name=$1 shell=$2 fixture=$3 setup=$4 profile=$5 path=$PATH
  root=$work/$(tr -c 'a-z0-9\n' - <<<"$name")$shell
  local command=$shell
  [ "$shell" = busybox ] && path=$work/bin command="$(command -v busybox) ash"
  mkdir -p "$root/proc/bus/input" "$root/dev/input" "$root/etc" "$root/stick/.pendant-tool/plugins/generic" \
    "$root/sys/class/graphics/fb0"
  [ "$fixture" = none ] || cp "$here/panels/$fixture.devices" "$root/proc/bus/input/devices"
  for n in 0 1 2 3 4; do : > "$root/dev/input/event$n"; done
  : > "$root/dev/fb0"
  echo 800,480 > "$root/sys/class/graphics/fb0/virtual_size"
  : > "$root/stick/.pendant-tool/plugins/generic/libqtslibplugin.so"
  [ -z "$profile" ] || printf '%b\n' "$profile" > "$root/etc/profile"
  local env
  env=$(cd "$root" && env -i PATH="$path" root="$root" $command -c '
    eval "$1"
    top=$root/stick runtime=$root/stick/.pendant-tool fb_device=${fb_device-/dev/fb0}
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-linuxfb}; export QT_QPA_PLATFORM
    PENDANT_PROC=$root/proc PENDANT_DEV=$root/dev PENDANT_ETC=$root/etc PENDANT_SYS=$root/sys
    launch_log() { echo "launcher: $*" >> "$top/pendant-tool.log"; }
    . "$2"
    panel_input
    env' sh "$setup" "$top/stick/panel-input.sh" 2>"$root.err")
  env=${env//$root\/dev\/input\//}
  env=${env//$root/@}
  got=$(sed -n 's/^QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS=/touch=/p; s/^QT_QPA_EVDEV_MOUSE_PARAMETERS=/mouse=/p
    s/^QT_QPA_EVDEV_KEYBOARD_PARAMETERS=/keys=/p; s/^TSLIB_TSDEVICE=/tslib=/p; s/^TSLIB_CALIBFILE=/cal=/p
    s/^QT_QPA_GENERIC_PLUGINS=/plugins=/p; s/^QT_QPA_PLATFORM=/platform=/p' <<<"$env" | sort | tr '\n' ' ')
  # The pendant's own TSLIB_* stay in the environment where tslib is not used.
  [[ $got = *plugins=tslib* ]] || got=$(tr ' ' '\n' <<<"$got" | grep -v -e '^tslib=' -e '^cal=' | tr '\n' ' ')
  got=$(sed "s/ *$//" <<<"$got")
}

# A calibration and a link as mdev makes them.
cal='echo "12788 0 0 0 -9587 39256064 65536 800 480" > $root/etc/pointercal'
link='ln -s event1 $root/dev/input/touchscreen0'

# name | fixture | setup | /etc/profile | what is exported | a line of the run log ('' none)
while IFS='|' read -r name fixture setup profile want want_log; do
  [ -z "$name" ] || [ "${name:0:1}" = '#' ] && continue
  setup=${setup//@CAL/$cal}; setup=${setup//@LINK/$link}
  for shell in "${shells[@]}"; do
    run "$name" "$shell" "$fixture" "$setup" "$profile"
    expect "$name ($shell): $want" equals "$got" "$want"
    [ -z "$want_log" ] || expect "$name ($shell): run log says '$want_log'" \
      grep -qF -- "${want_log//@/$root}" "$root/stick/pendant-tool.log"
    expect "$name ($shell): nothing else on the console" equals "$(grep -v '^pendant-tool: 屏幕旋转' "$root.err")" ""
  done
done <<'ROWS'
# the plain panels
resistive|resistive|||keys=event0 platform=linuxfb plugins=evdevtouch,evdevkeyboard touch=event1|input: @/dev/input/event1 (ADS7846 Touchscreen): touch screen (single-touch with BTN_TOUCH): Qt's evdev touch, raw range (no calibration)
calibrated|resistive|@CAL||cal=@/etc/pointercal keys=event0 platform=linuxfb plugins=tslib:event1,evdevkeyboard tslib=event1|tslib, calibrated by @/etc/pointercal
no tslib on the stick|resistive|@CAL; rm $root/stick/.pendant-tool/plugins/generic/libqtslibplugin.so||keys=event0 platform=linuxfb plugins=evdevtouch,evdevkeyboard touch=event1|@/etc/pointercal not used: the stick carries no tslib
capacitive, mdev's flat /dev|capacitive|rm $root/dev/input/event0; : > $root/dev/event0||platform=linuxfb plugins=evdevtouch touch=@/dev/event0|
nothing but a power key|nothing|||keys=event0 platform=linuxfb plugins=evdevkeyboard|touch: none found in @/proc/bus/input/devices
no /proc list|none|||platform=linuxfb|screen: /dev/fb0 800x480, platform linuxfb
X: its own input|resistive|QT_QPA_PLATFORM=xcb fb_device=||platform=xcb|screen: platform xcb
# 5: touch panels without BTN_TOUCH
single-touch without BTN_TOUCH|st-nobtn|||cal=@/etc/pointercal platform=linuxfb plugins=tslib:event0 tslib=event0|tslib, uncalibrated
... under calibration|st-nobtn|@CAL||cal=@/etc/pointercal platform=linuxfb plugins=tslib:event0 tslib=event0|tslib, calibrated by @/etc/pointercal
multi-touch only|mt-only|@CAL||platform=linuxfb plugins=evdevtouch touch=event0|touch screen (multi-touch): Qt's evdev touch (released by tracking id)
# 1, 2, 6: every touch to the touch handler, a touch controller's keys too; links followed
all touches|mixed|||keys=event3:event4 mouse=event2 platform=linuxfb plugins=evdevtouch,evdevmouse,evdevkeyboard touch=event0:event1:event4|@/dev/input/event4 (ft5x06_ts): touch screen (multi-touch) with keys: Qt's evdev touch (released by tracking id); its keys: Qt's evdev keyboard
tslib through a link, second entry a mouse|mixed|@CAL; @LINK|export QWS_MOUSE_PROTO="Tslib:/dev/input/touchscreen0 LinuxInput:/dev/input/event2"|cal=@/etc/pointercal keys=event3:event4 mouse=event2 platform=linuxfb plugins=tslib:event1,evdevtouch,evdevmouse,evdevkeyboard touch=event0:event4 tslib=event1|/dev/input/touchscreen0 is event1, a single-touch screen: named for tslib
touch named LinuxInput|mixed||QWS_MOUSE_PROTO=LinuxInput:/dev/input/event4|keys=event3:event4 mouse=event2 platform=linuxfb plugins=evdevtouch,evdevmouse,evdevkeyboard touch=event0:event1:event4|/dev/input/event4 is event4, a touch: the touch handler
# 3: settings naming a wrong or missing device are set aside
stale TSLIB_TSDEVICE|resistive|@CAL; TSLIB_TSDEVICE=/dev/input/event0; export TSLIB_TSDEVICE||cal=@/etc/pointercal keys=event0 platform=linuxfb plugins=tslib:event1,evdevkeyboard tslib=event1|set aside, /dev/input/event0 is event0 (gpio-keys), a keyboard, not a touch screen
if/else: the branch with a touch|resistive|@CAL|if [ -e /dev/input/event1 ]; then\n  export TSLIB_TSDEVICE=/dev/input/event1\nelse\n  export TSLIB_TSDEVICE=/dev/input/event0\nfi|cal=@/etc/pointercal keys=event0 platform=linuxfb plugins=tslib:event1,evdevkeyboard tslib=event1|TSLIB_TSDEVICE=/dev/input/event1 (profile (if/else)): /dev/input/event1 is event1, a single-touch screen
missing device|resistive||export QWS_MOUSE_PROTO=Tslib:/dev/input/ts0|keys=event0 platform=linuxfb plugins=evdevtouch,evdevkeyboard touch=event1|set aside, /dev/input/ts0 is not there
# 4: tslib only with a calibration that is there and reads as one
calibration name unknown|resistive|@CAL|export QWS_MOUSE_PROTO=Tslib:/dev/input/event1 TSLIB_CALIBFILE=${CAL:-/etc/pointercal}\nA=`echo /etc/ts.conf`; export TSLIB_CONFFILE=$A|cal=@/etc/pointercal keys=event0 platform=linuxfb plugins=tslib:event1,evdevkeyboard tslib=event1|setting: TSLIB_CALIBFILE=${CAL:-/etc/pointercal} (profile): set aside, not a plain value
calibration not there|resistive||export TSLIB_TSDEVICE=/dev/input/event1 TSLIB_CALIBFILE=$TSLIB_DIR/pointercal|keys=event0 platform=linuxfb plugins=evdevtouch,evdevkeyboard touch=event1|set aside, not a plain value
calibration unreadable|resistive|echo "not calibrated" > $root/etc/pointercal; TSLIB_TSDEVICE=/dev/input/event1; export TSLIB_TSDEVICE||keys=event0 platform=linuxfb plugins=evdevtouch,evdevkeyboard touch=event1|raw range (no calibration)
# 7: profile forms: two on a line, a sourced file, A=v; export A, $A and ${A}, a keymap
forms|mouse|mkdir -p $root/etc/ts; echo "1 0 0 0 1 0 1" > $root/etc/ts/cal; echo "TSLIB_TSDEVICE=/dev/input/event0; export TSLIB_TSDEVICE" > $root/etc/qt4.env|D=/etc/ts; C=$D/cal\nexport QWS_KEYBOARD=LinuxInput:/dev/input/event2:keymap=/etc/qt/de.qmap TSLIB_CALIBFILE=${C}\n. /etc/qt4.env|cal=@/etc/ts/cal keys=event2 mouse=event1 platform=linuxfb plugins=tslib:event0,evdevmouse,evdevkeyboard tslib=event0|QWS_KEYBOARD=LinuxInput:/dev/input/event2:keymap=/etc/qt/de.qmap (profile): /dev/input/event2 is event2, a device with keys: used
# 8: the display's size and a Multi: display, from one reading of QWS_DISPLAY
mmsize, Multi:|resistive|QWS_DISPLAY="Multi: Transformed:Rot90:LinuxFb:/dev/fb0:mmWidth=154:mmHeight=86:0 VNC:1"; export QWS_DISPLAY||keys=event0 platform=linuxfb:mmsize=154x86 plugins=evdevtouch,evdevkeyboard touch=event1|the pendant turns its screen by 90 degrees
DRM, no frame buffer|resistive|fb_device= QT_QPA_FB_DRM=1; rm -r $root/sys/class/graphics/fb0 $root/dev/fb0||keys=event0 platform=linuxfb plugins=evdevtouch,evdevkeyboard touch=event1|screen: platform linuxfb
ROWS

# Words a shell would run, in /proc and in the profile: each malformed
# device is skipped alone, nothing runs (under bash too, whose arithmetic
# runs commands in array subscripts).
hostile='export TSLIB_TSDEVICE=$(touch sentinel) QWS_KEYBOARD=`touch sentinel`\nexport TSLIB_CALIBFILE=$((a[$(touch sentinel)]))\n. `touch sentinel`'
for shell in "${shells[@]}" bash; do
  run hostile "$shell" hostile "" "$hostile"
  expect "hostile ($shell): only the sound device" equals "$got" "platform=linuxfb plugins=evdevtouch touch=event3"
  expect "hostile ($shell): nothing ran" test ! -e "$root/sentinel"
  expect "hostile ($shell): each bad device logged" equals "$(grep -c 'malformed' "$root/stick/pendant-tool.log")" 3
done

finish
