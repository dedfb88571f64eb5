# panel-input.sh: the launcher's choices of touch screen, mouse, keyboard,
# calibration and rotation for the frame buffer, sourced by pendant-tool
# (POSIX sh, BusyBox ash) once the display is chosen and before the tool
# starts. A panel with mdev has no udev database, where Qt's libinput and
# its evdev device discovery find nothing: so the devices are read from
# /proc/bus/input/devices, which every kernel has, and named to Qt's evdev
# handlers, or to tslib where the pendant was calibrated with it.
#
# The pendant's own Qt 4 settings come first: QWS_MOUSE_PROTO and
# QWS_KEYBOARD name devices, TSLIB_TSDEVICE the touch screen, TSLIB_CALIBFILE
# and TSLIB_CONFFILE tslib's files, QWS_DISPLAY the rotation. They are taken
# from the environment, or else read (never run) from /etc/profile and
# /etc/profile.d/*.sh, where such panels set them.
#
# Uses: top, runtime, fb_device, QT_QPA_PLATFORM, launch_log; PENDANT_PROC,
# PENDANT_DEV, PENDANT_ETC, PENDANT_SYS (default /proc, /dev, /etc, /sys)
# for tests. Exports QT_QPA_* and TSLIB_* variables; every choice goes to
# the run log.

# shellcheck shell=sh disable=SC2154  # top, runtime and the like come from the launcher
panel_proc=${PENDANT_PROC:-/proc}
panel_dev=${PENDANT_DEV:-/dev}
panel_etc=${PENDANT_ETC:-/etc}
panel_sys=${PENDANT_SYS:-/sys}

# panel_setting NAME: the pendant's value of NAME, from the environment or
# from the last plain assignment in its profile files.
panel_setting() {
  eval "panel_v=\${$1:-}"
  if [ -z "$panel_v" ]; then
    panel_v=$(cat "$panel_etc/profile" "$panel_etc"/profile.d/*.sh 2>/dev/null |
      sed -n "s/^[[:space:]]*\(export[[:space:]]\{1,\}\)\{0,1\}$1=//p" | tail -n 1 |
      sed "s/[[:space:]]*\(#.*\)\{0,1\}$//; s/^\"\(.*\)\"$/\1/; s/^'\(.*\)'$/\1/")
  fi
  printf '%s' "$panel_v"
}

# panel_bit WORDS BIT: whether BIT is set in a bitmap as the kernel prints
# it (hex words, most significant first, leading zero words left out). A
# word is a C long: 64 bits where a word has more than 8 digits; otherwise
# the file may come from either kind of kernel and both readings are tried.
panel_bit() {
  case " $1 " in
    *[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]*) panel_bit_in "$1" "$2" 64 ;;
    *) panel_bit_in "$1" "$2" 32 || panel_bit_in "$1" "$2" 64 ;;
  esac
}
panel_bit_in() {
  # shellcheck disable=SC2086
  set -- "$2" "$3" $1
  panel_b=$1 panel_w=$2
  shift 2
  panel_i=$(($# - panel_b / panel_w))
  [ "$panel_i" -ge 1 ] || return 1
  panel_word=0
  eval "panel_word=\${$panel_i}"
  [ $(((0x$panel_word >> (panel_b % panel_w)) & 1)) = 1 ]
}

# The event devices: one line per device, "KIND eventN NAME", KIND one of
# touch (absolute X/Y, or multi-touch X/Y, and the touch key BTN_TOUCH),
# mouse (relative X/Y), keyboard (the ordinary keys Esc to S, as udev
# tells a keyboard), or other.
panel_classify() {
  panel_name="" panel_event="" panel_ev=0 panel_key="" panel_abs="" panel_rel=""
  while IFS= read -r panel_line || [ -n "$panel_line" ]; do
    case $panel_line in
      N:\ Name=*) panel_name=${panel_line#N: Name=}; panel_name=${panel_name#\"}; panel_name=${panel_name%\"} ;;
      H:\ Handlers=*)
        for panel_h in ${panel_line#H: Handlers=}; do
          case $panel_h in event[0-9]*) panel_event=$panel_h ;; esac
        done ;;
      B:\ EV=*) panel_ev=${panel_line#B: EV=} ;;
      B:\ KEY=*) panel_key=${panel_line#B: KEY=} ;;
      B:\ ABS=*) panel_abs=${panel_line#B: ABS=} ;;
      B:\ REL=*) panel_rel=${panel_line#B: REL=} ;;
      "")
        panel_device
        panel_name="" panel_event="" panel_ev=0 panel_key="" panel_abs="" panel_rel="" ;;
    esac
  done
  panel_device
}
panel_device() {
  [ -n "$panel_event" ] || return 0
  panel_kind=other
  if panel_bit "$panel_ev" 3 && panel_bit "$panel_key" 330 &&
     { { panel_bit "$panel_abs" 0 && panel_bit "$panel_abs" 1; } ||
       { panel_bit "$panel_abs" 53 && panel_bit "$panel_abs" 54; }; }; then
    panel_kind="touch"
  elif panel_bit "$panel_ev" 2 && panel_bit "$panel_rel" 0 && panel_bit "$panel_rel" 1; then
    panel_kind=mouse
  elif panel_bit "$panel_ev" 1 && [ -n "$panel_key" ]; then
    panel_k=1
    while [ "$panel_k" -le 31 ]; do
      if panel_bit "$panel_key" "$panel_k"; then panel_kind=keyboard; break; fi
      panel_k=$((panel_k + 1))
    done
  fi
  printf '%s %s %s\n' "$panel_kind" "$panel_event" "$panel_name"
}

# panel_node eventN: the device file of eventN (mdev may keep it in /dev
# itself rather than /dev/input).
panel_node() {
  if [ ! -e "$panel_dev/input/$1" ] && [ -e "$panel_dev/$1" ]; then
    printf '%s' "$panel_dev/$1"
  else
    printf '%s' "$panel_dev/input/$1"
  fi
}

# panel_named SETTING: the event device a Qt 4 input setting names
# ("tslib:/dev/input/event1", "LinuxInput:/dev/input/event0 ..."): the
# first one, as eventN, or nothing.
panel_named() {
  for panel_s in $1; do
    case $panel_s in
      */event[0-9]*) panel_s=${panel_s##*/}; printf '%s' "${panel_s%%[!a-z0-9]*}"; return 0 ;;
    esac
  done
}

# panel_devices KIND: the eventN of every device of KIND, one a line.
panel_devices() { printf '%s\n' "$panel_found" | sed -n "s/^$1 \(event[0-9]*\) .*/\1/p"; }
# panel_list eventN...: their device files, joined by ':' as Qt's evdev
# parameters take them.
panel_list() {
  panel_out=""
  for panel_e in "$@"; do panel_out=$panel_out${panel_out:+:}$(panel_node "$panel_e"); done
  printf '%s' "$panel_out"
}
panel_label() { printf '%s\n' "$panel_found" | sed -n "s/^[a-z]* $1 //p" | head -n 1; }

panel_input() {
  # The screen: its device (the launcher's, else the one linuxfb opens)
  # and its size as the kernel gives it.
  panel_fb=${fb_device:-}
  case $panel_fb$QT_QPA_PLATFORM in
    linuxfb*fb=*) panel_fb=${QT_QPA_PLATFORM#*fb=}; panel_fb=${panel_fb%%:*} ;;
    linuxfb*) panel_fb=/dev/fb0 ;;
  esac
  if [ -n "$panel_fb" ]; then
    panel_size=$(tr , x < "$panel_sys/class/graphics/${panel_fb##*/}/virtual_size" 2>/dev/null)
    launch_log "screen: $panel_fb ${panel_size:-(size unknown)}, platform $QT_QPA_PLATFORM"
  else
    launch_log "screen: platform $QT_QPA_PLATFORM"
  fi
  case $QT_QPA_PLATFORM in linuxfb*) ;; *) return 0 ;; esac

  panel_found=""
  [ -r "$panel_proc/bus/input/devices" ] &&
    panel_found=$(panel_classify < "$panel_proc/bus/input/devices")
  panel_mouse_proto=$(panel_setting QWS_MOUSE_PROTO)
  panel_keyboard_proto=$(panel_setting QWS_KEYBOARD)
  panel_tsdevice=$(panel_setting TSLIB_TSDEVICE)

  # The touch screen: the one the pendant's settings name, else the first
  # found. Mice and keyboards: the one named, else all found.
  panel_touch=$(panel_named "$panel_tsdevice")
  [ -n "$panel_touch" ] || case $panel_mouse_proto in
    [Tt][Ss][Ll][Ii][Bb]*) panel_touch=$(panel_named "$panel_mouse_proto") ;;
  esac
  [ -n "$panel_touch" ] || panel_touch=$(panel_devices touch | head -n 1)
  panel_mice=$(panel_devices mouse)
  case $panel_mouse_proto in
    [Tt][Ss][Ll][Ii][Bb]*) ;;
    *) panel_n=$(panel_named "$panel_mouse_proto")
       [ -n "$panel_n" ] && [ "$panel_n" != "$panel_touch" ] && panel_mice=$panel_n ;;
  esac
  panel_keys=$(panel_named "$panel_keyboard_proto")
  [ -n "$panel_keys" ] || panel_keys=$(panel_devices keyboard)

  # Calibration: the pendant's tslib calibration, where there is one and
  # the stick carries tslib.
  panel_calib=$(panel_setting TSLIB_CALIBFILE)
  [ -n "$panel_calib" ] || panel_calib=$panel_etc/pointercal
  panel_tslib=no
  if [ -n "$panel_touch" ] && [ -f "$runtime/plugins/generic/libqtslibplugin.so" ]; then
    if [ -s "$panel_calib" ] || [ -n "$panel_tsdevice" ]; then panel_tslib=yes; fi
    case $panel_mouse_proto in [Tt][Ss][Ll][Ii][Bb]*) panel_tslib=yes ;; esac
  fi

  # libinput finds devices through udev only.
  QT_QPA_FB_NO_LIBINPUT=1
  export QT_QPA_FB_NO_LIBINPUT
  if [ -n "$panel_mice" ]; then
    # shellcheck disable=SC2086  # one eventN a word
    QT_QPA_EVDEV_MOUSE_PARAMETERS=$(panel_list $panel_mice)
    export QT_QPA_EVDEV_MOUSE_PARAMETERS
  fi
  if [ -n "$panel_keys" ]; then
    # shellcheck disable=SC2086  # one eventN a word
    QT_QPA_EVDEV_KEYBOARD_PARAMETERS=$(panel_list $panel_keys)
    export QT_QPA_EVDEV_KEYBOARD_PARAMETERS
  fi
  if [ "$panel_tslib" = yes ]; then
    # Touches go through tslib alone: the frame buffer's own input
    # handlers are off (its touch handler would read the same device
    # uncalibrated), and the mouse and keyboard are loaded as plugins.
    TSLIB_TSDEVICE=$(panel_node "$panel_touch")
    TSLIB_PLUGINDIR=$runtime/ts
    TSLIB_CALIBFILE=$panel_calib
    TSLIB_CONFFILE=$(panel_setting TSLIB_CONFFILE)
    [ -f "$TSLIB_CONFFILE" ] || TSLIB_CONFFILE=$panel_etc/ts.conf
    [ -f "$TSLIB_CONFFILE" ] || TSLIB_CONFFILE=$runtime/ts/ts.conf
    QT_QPA_FB_DISABLE_INPUT=1
    QT_QPA_GENERIC_PLUGINS=tslib:$TSLIB_TSDEVICE
    [ -n "$panel_mice" ] && QT_QPA_GENERIC_PLUGINS=$QT_QPA_GENERIC_PLUGINS,evdevmouse
    [ -n "$panel_keys" ] && QT_QPA_GENERIC_PLUGINS=$QT_QPA_GENERIC_PLUGINS,evdevkeyboard
    export TSLIB_TSDEVICE TSLIB_PLUGINDIR TSLIB_CALIBFILE TSLIB_CONFFILE QT_QPA_FB_DISABLE_INPUT QT_QPA_GENERIC_PLUGINS
    launch_log "touch: $TSLIB_TSDEVICE ($(panel_label "$panel_touch")) through tslib"
    launch_log "calibration: $TSLIB_CALIBFILE$([ -s "$TSLIB_CALIBFILE" ] || echo ' (missing: uncalibrated)'), tslib settings $TSLIB_CONFFILE"
  elif [ -n "$panel_touch" ]; then
    QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS=$(panel_node "$panel_touch")
    export QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS
    launch_log "touch: $QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS ($(panel_label "$panel_touch")) through evdev"
    if [ -s "$panel_calib" ]; then
      launch_log "calibration: $panel_calib not used (the stick carries no tslib): raw touch range"
    else
      launch_log "calibration: none (raw touch range)"
    fi
  else
    launch_log "touch: none found in $panel_proc/bus/input/devices"
  fi
  for panel_e in $panel_mice; do
    launch_log "mouse: $(panel_node "$panel_e") ($(panel_label "$panel_e")) through evdev"
  done
  for panel_e in $panel_keys; do
    launch_log "keyboard: $(panel_node "$panel_e") ($(panel_label "$panel_e")) through evdev"
  done
  [ -n "$panel_mouse_proto$panel_keyboard_proto$panel_tsdevice" ] &&
    launch_log "pendant settings: QWS_MOUSE_PROTO=$panel_mouse_proto QWS_KEYBOARD=$panel_keyboard_proto TSLIB_TSDEVICE=$panel_tsdevice"

  # Rotation: Qt 5.15's frame buffer platform cannot turn its drawing, so
  # the tool draws in the frame buffer's own orientation, and touches stay
  # in that orientation too, so a tap still lands on the button under it.
  case $(panel_setting QWS_DISPLAY) in
    *[Rr]ot90*) panel_rot=90 ;;
    *[Rr]ot180*) panel_rot=180 ;;
    *[Rr]ot270*) panel_rot=270 ;;
    *) panel_rot=0 ;;
  esac
  if [ "$panel_rot" = 0 ]; then
    launch_log "rotation: none"
  else
    launch_log "rotation: the pendant turns its screen by $panel_rot degrees (QWS_DISPLAY); this tool cannot turn its drawing and shows it unturned, touches matching"
    echo "pendant-tool: 屏幕旋转${panel_rot}度：本工具无法旋转显示，画面将以未旋转方向显示，触摸位置与画面一致。" >&2
  fi
}

panel_input
