# panel-input.sh: the launcher's reading of the pendant's screen and input
# devices, sourced by pendant-tool (POSIX sh, BusyBox ash, BusyBox's own
# commands). A panel with mdev has no udev database, where Qt's libinput
# and its evdev device discovery find nothing: so the devices are read from
# /proc/bus/input/devices, which every kernel has, and named to Qt's evdev
# handlers, or to tslib where the pendant was calibrated with it.
#
# The devices decide: what the kernel says each one can do makes it a touch
# screen (absolute X/Y, single-touch or multi-touch, with or without
# BTN_TOUCH), a mouse (relative X/Y) or a keyboard (keys). Every touch
# screen goes to the touch handler, every mouse to the mouse handler, and
# every device with keys (a touch controller's too) to the keyboard handler.
# The pendant's own Qt 4 settings (QWS_MOUSE_PROTO, QWS_KEYBOARD,
# TSLIB_TSDEVICE, TSLIB_CALIBFILE, TSLIB_CONFFILE, QWS_DISPLAY) only choose
# among real devices of the right kind: from the environment first, then
# from /etc/profile, /etc/profile.d/*.sh and the files they source, which
# are read, never run. A setting that names a missing device or one of
# another kind is logged and set aside.
#
# Sourcing defines the functions and reads the settings and QWS_DISPLAY
# (panel_display_fb, panel_mmsize, panel_rot); the launcher then calls
# panel_input once the display is chosen.
#
# Uses: top, runtime, fb_device, QT_QPA_PLATFORM, launch_log; PENDANT_PROC,
# PENDANT_DEV, PENDANT_ETC, PENDANT_SYS (default /proc, /dev, /etc, /sys)
# for tests. Exports QT_QPA_* and TSLIB_* variables; every choice goes to
# the run log. Nothing read from /proc or the profile is ever evaluated:
# words are checked against fixed patterns before any arithmetic, and
# values are only ever expanded, never given to eval.

# shellcheck shell=sh disable=SC2154  # top, runtime and the like come from the launcher
panel_proc=${PENDANT_PROC:-/proc}
panel_dev=${PENDANT_DEV:-/dev}
panel_etc=${PENDANT_ETC:-/etc}
panel_sys=${PENDANT_SYS:-/sys}
panel_tab=$(printf '\t')
panel_nl='
'
panel_ifs=" $panel_tab$panel_nl"
panel_settings="QWS_MOUSE_PROTO QWS_KEYBOARD QWS_DISPLAY TSLIB_TSDEVICE TSLIB_CALIBFILE TSLIB_CONFFILE"

# panel_path PATH: where a path of the pendant lies here (its /dev and /etc
# may be given by a test).
panel_path() {
  case $1 in
    /dev/*) printf '%s' "$panel_dev/${1#/dev/}" ;;
    /etc/*) printf '%s' "$panel_etc/${1#/etc/}" ;;
    *) printf '%s' "$1" ;;
  esac
}

# panel_plain VALUE: VALUE is a plain text, not something only a shell
# could make of it (an expansion, a command, several commands).
panel_plain() {
  case $1 in *'$'*|*'`'*|*';'*) return 1 ;; esac
}

# ---- The profile, read as a shell would read its simple forms: several
# assignments on a line, export A=B C=D, A=v; export A, $A and ${A} of
# names assigned before, files sourced with . or source (one level). An
# assignment inside if/else, case, a loop or after && / || is a candidate:
# the first of them (in file order, then the plain one before them) that
# names a real thing of the right kind is used.

panel_vars=""      # NAME=VALUE, one a line: what $NAME stands for
panel_cands=""     # NAME<tab>c|u (conditional or not)<tab>FILE<tab>VALUE
panel_depth=0      # how deep in if/case/loop blocks the reader is
panel_skipped=""   # what was not understood, for the log

panel_lookup() {
  panel_r="" panel_found_var=no
  while IFS= read -r panel_l; do
    case $panel_l in "$1="*) panel_r=${panel_l#*=} panel_found_var=yes ;; esac
  done <<EOF
$panel_vars
EOF
}

# panel_words LINE FILE LEVEL CONDITIONAL: splits the line into words as
# the shell would, expanding $NAME and ${NAME} of names assigned before,
# and hands each command to panel_command as it ends (a command after &&
# or || is conditional).
panel_words() {
  panel_s=$1 panel_w="" panel_word="" panel_in=no panel_q="" panel_cmd_cond=$4
  while [ -n "$panel_s" ]; do
    panel_c=${panel_s%"${panel_s#?}"}
    panel_s=${panel_s#?}
    if [ "$panel_q" = "'" ]; then
      if [ "$panel_c" = "'" ]; then panel_q=""; else panel_word=$panel_word$panel_c; fi
      continue
    fi
    case $panel_c in
      '"')
        if [ "$panel_q" = '"' ]; then panel_q=""; else panel_q='"'; panel_in=yes; fi ;;
      "'")
        if [ "$panel_q" = '"' ]; then panel_word=$panel_word$panel_c; else panel_q="'"; panel_in=yes; fi ;;
      '\')
        panel_in=yes
        panel_word=$panel_word${panel_s%"${panel_s#?}"}
        panel_s=${panel_s#?} ;;
      '$')
        panel_in=yes
        panel_name=""
        case $panel_s in
          '{'*'}'*)
            panel_name=${panel_s#?}; panel_name=${panel_name%%'}'*}
            case $panel_name in ''|[0-9]*|*[!A-Za-z0-9_]*) panel_name="" ;; *) panel_s=${panel_s#*'}'} ;; esac ;;
          [A-Za-z_]*)
            panel_name=${panel_s%%[!A-Za-z0-9_]*}
            panel_s=${panel_s#"$panel_name"} ;;
        esac
        if [ -n "$panel_name" ]; then
          panel_lookup "$panel_name"
          # A name not assigned before stays as it was written: unknown.
          if [ "$panel_found_var" = yes ]; then panel_word=$panel_word$panel_r; else panel_word=$panel_word'${'$panel_name'}'; fi
        else
          panel_word=$panel_word$panel_c
        fi ;;
      ' '|"$panel_tab")
        if [ -n "$panel_q" ]; then panel_word=$panel_word$panel_c
        elif [ "$panel_in" = yes ]; then panel_w=$panel_w$panel_word$panel_nl; panel_word="" panel_in=no
        fi ;;
      ';'|'&'|'|')
        if [ -n "$panel_q" ]; then panel_word=$panel_word$panel_c; continue; fi
        [ "$panel_in" = yes ] && panel_w=$panel_w$panel_word$panel_nl
        panel_next=$4
        case $panel_c$panel_s in '&&'*|'||'*) panel_s=${panel_s#?}; panel_next=c ;; esac
        # The rest of the line waits in $1 while the command runs (it may
        # read a sourced file with these same variables).
        set -- "$panel_s" "$2" "$3" "$4" "$panel_next"
        panel_dispatch "$2" "$3"
        panel_s=$1 panel_cmd_cond=$5 panel_word="" panel_in=no panel_w="" ;;
      '#')
        if [ -z "$panel_q" ] && [ "$panel_in" = no ]; then break; fi
        panel_word=$panel_word$panel_c ;;
      *) panel_word=$panel_word$panel_c; panel_in=yes ;;
    esac
  done
  [ "$panel_in" = yes ] && panel_w=$panel_w$panel_word$panel_nl
  panel_dispatch "$2" "$3"
}
# panel_dispatch FILE LEVEL: the command whose words (one a line) are in
# panel_w, split at line ends alone, no file names made.
panel_dispatch() {
  IFS=$panel_nl; set -f
  # shellcheck disable=SC2086
  panel_command "$1" "$2" "$panel_cmd_cond" $panel_w
  IFS=$panel_ifs; set +f
}

# panel_assign NAME VALUE CONDITIONAL FILE
panel_assign() {
  panel_vars=$panel_vars$1=$2$panel_nl
  case " $panel_settings " in
    *" $1 "*) panel_cands=$panel_cands$1$panel_tab$3$panel_tab$4$panel_tab$2$panel_nl ;;
  esac
}

# panel_command FILE LEVEL CONDITIONAL WORD...: one command of the profile.
panel_command() {
  IFS=$panel_ifs; set +f
  panel_file=$1 panel_level=$2 panel_cond=$3
  shift 3
  while [ $# -gt 0 ]; do
    case $1 in
      then|else|do|'{'|'!') shift ;;
      if|case|while|until|for) panel_depth=$((panel_depth + 1)); return 0 ;;
      elif) return 0 ;;
      'fi'|'esac'|'done') panel_depth=$((panel_depth - 1)); [ "$panel_depth" -ge 0 ] || panel_depth=0; shift ;;
      *')') if [ "$panel_depth" -gt 0 ]; then shift; else break; fi ;;   # a case arm's pattern
      *) break ;;
    esac
  done
  [ $# -gt 0 ] || return 0
  [ "$panel_depth" -gt 0 ] && panel_cond=c
  case $1 in
    export)
      shift
      for panel_a in "$@"; do
        case $panel_a in
          [A-Za-z_]*=*) panel_n=${panel_a%%=*}
            case $panel_n in *[!A-Za-z0-9_]*) ;; *) panel_assign "$panel_n" "${panel_a#*=}" "$panel_cond" "$panel_file" ;; esac ;;
        esac
      done ;;
    .|source)
      [ -n "${2:-}" ] || return 0
      if [ "$panel_level" -ge 1 ]; then
        panel_skipped="$panel_skipped, '$1 $2' in $panel_file (sourced from a sourced file)"
      elif [ -f "$(panel_path "$2")" ]; then
        panel_read "$(panel_path "$2")" 1 "$panel_cond"
      fi ;;
    [A-Za-z_]*=*)
      # Assignments alone; before a command they are that command's only.
      for panel_a in "$@"; do
        case $panel_a in [A-Za-z_]*=*) ;; *) return 0 ;; esac
        case ${panel_a%%=*} in *[!A-Za-z0-9_]*) return 0 ;; esac
      done
      for panel_a in "$@"; do panel_assign "${panel_a%%=*}" "${panel_a#*=}" "$panel_cond" "$panel_file"; done ;;
    *)
      # A command that is not understood but touches a setting.
      for panel_a in $panel_settings; do
        case " $* " in *"$panel_a"*) panel_skipped="$panel_skipped, '$*' in $panel_file"; break ;; esac
      done ;;
  esac
}

# panel_read FILE LEVEL CONDITIONAL
panel_read() {
  while IFS= read -r panel_line || [ -n "$panel_line" ]; do
    # Only lines that may assign, source, or open or close a block.
    case ${panel_line#"${panel_line%%[! $panel_tab]*}"} in '#'*|'') continue ;; esac
    case $panel_line in
      *=*|*fi*|*esac*|*done*|*if*|*case*|*while*|*for*|*until*|*.\ *|*source*) ;;
      *) continue ;;
    esac
    panel_words "$panel_line" "$1" "$2" "$3"
  done < "$1"
}

panel_read_profile() {
  for panel_p in "$panel_etc/profile" "$panel_etc"/profile.d/*.sh; do
    [ -f "$panel_p" ] && [ -r "$panel_p" ] || continue
    panel_depth=0
    panel_read "$panel_p" 0 u
  done
}

# panel_candidates NAME: the values to try for NAME, one a line, as
# "SOURCE<tab>VALUE": the environment's, then the profile's conditional
# ones after its last plain one, in file order, then that plain one.
panel_candidates() {
  eval "panel_env=\${$1:-}"
  [ -n "$panel_env" ] && printf 'environment\t%s\n' "$panel_env"
  panel_plain_one="" panel_conds=""
  while IFS="$panel_tab" read -r panel_cn panel_cc panel_cf panel_cv; do
    [ "$panel_cn" = "$1" ] || continue
    if [ "$panel_cc" = u ]; then
      panel_plain_one="${panel_cf#"$panel_etc"/}$panel_tab$panel_cv" panel_conds=""
    else
      panel_conds="$panel_conds${panel_cf#"$panel_etc"/} (if/else)$panel_tab$panel_cv$panel_nl"
    fi
  done <<EOF
$panel_cands
EOF
  printf '%s' "$panel_conds"
  [ -n "$panel_plain_one" ] && printf '%s\n' "$panel_plain_one"
  return 0
}

# ---- /proc/bus/input/devices

# panel_any BITMAP WIDTH LO HI: whether any bit from LO to HI is set in a
# bitmap as the kernel prints it (hex words of WIDTH bits, most significant
# first, leading zero words left out). Only checked hex digits are used.
panel_any() {
  panel_x="" panel_digits=$(($2 / 4))
  for panel_word in $1; do
    [ "${#panel_word}" -le "$panel_digits" ] || return 1
    while [ "${#panel_word}" -lt "$panel_digits" ]; do panel_word=0$panel_word; done
    panel_x=$panel_x$panel_word
  done
  panel_i=0
  while [ "$panel_i" -lt $(($3 / 4)) ] && [ -n "$panel_x" ]; do panel_x=${panel_x%?}; panel_i=$((panel_i + 1)); done
  while [ "$panel_i" -le $(($4 / 4)) ] && [ -n "$panel_x" ]; do
    panel_d=${panel_x#"${panel_x%?}"}
    panel_x=${panel_x%?}
    case $panel_d in
      0) panel_v=0 ;; [1-9]) panel_v=$panel_d ;; a) panel_v=10 ;; b) panel_v=11 ;; c) panel_v=12 ;;
      d) panel_v=13 ;; e) panel_v=14 ;; f) panel_v=15 ;; *) return 1 ;;
    esac
    panel_lo=$(($3 - panel_i * 4)); [ "$panel_lo" -ge 0 ] || panel_lo=0
    panel_hi=$(($4 - panel_i * 4)); [ "$panel_hi" -le 3 ] || panel_hi=3
    [ $(((panel_v >> panel_lo) & ((1 << (panel_hi - panel_lo + 1)) - 1))) = 0 ] || return 0
    panel_i=$((panel_i + 1))
  done
  return 1
}
# panel_has BITMAP LO [HI]: as panel_any for the file's word width (64
# where a word has more than 8 digits, else 32). Such a file may come from
# either kind of kernel: a single bit is looked for in both readings.
panel_has() {
  if [ "$panel_width" = 64 ] || [ -n "${3:-}" ]; then
    panel_any "$1" "$panel_width" "$2" "${3:-$2}"
  else
    panel_any "$1" 32 "$2" "$2" || panel_any "$1" 64 "$2" "$2"
  fi
}

# The event devices: one line per device, "eventN KIND TOUCH KEYS NAME":
# KIND touch, mouse, keyboard or other; TOUCH multi, single-btn (with
# BTN_TOUCH), single or -; KEYS keys or -. A device with a malformed line
# is skipped (and said so in panel_bad).
panel_classify() {
  panel_bad=""
  panel_reset
  while IFS= read -r panel_line || [ -n "$panel_line" ]; do
    case $panel_line in
      N:\ Name=*) panel_name=${panel_line#N: Name=}; panel_name=${panel_name#\"}; panel_name=${panel_name%\"} ;;
      H:\ Handlers=*)
        panel_value=${panel_line#H: Handlers=}
        case $panel_value in
          *[!A-Za-z0-9_\ -]*) panel_malformed=$panel_line ;;
          *) for panel_h in $panel_value; do
               case $panel_h in event*[!0-9]*|event) ;; event[0-9]*) panel_event=$panel_h ;; esac
             done ;;
        esac ;;
      B:\ EV=*|B:\ KEY=*|B:\ ABS=*|B:\ REL=*)
        panel_value=${panel_line#B: *=}
        case $panel_value in
          ''|*[!0-9a-f\ ]*) panel_malformed=$panel_line ;;
          *) case $panel_line in
               B:\ EV=*) panel_ev=$panel_value ;;
               B:\ KEY=*) panel_key=$panel_value ;;
               B:\ ABS=*) panel_abs=$panel_value ;;
               B:\ REL=*) panel_rel=$panel_value ;;
             esac ;;
        esac ;;
      "") panel_device; panel_reset ;;
    esac
  done
  panel_device
}
panel_reset() { panel_name="" panel_event="" panel_ev=0 panel_key=0 panel_abs=0 panel_rel=0 panel_malformed=""; }
panel_device() {
  [ -n "$panel_event$panel_malformed" ] || return 0
  if [ -n "$panel_malformed" ]; then
    panel_bad="$panel_bad${panel_event:-a device} ($panel_name): '$panel_malformed'$panel_nl"
    return 0
  fi
  panel_kind=other panel_touch=- panel_keys=-
  # Keys: the keyboard's codes below the buttons and the ones above them
  # (KEY_OK on); mouse and touch buttons are not keys.
  if panel_has "$panel_ev" 1 && { panel_has "$panel_key" 1 255 || panel_has "$panel_key" 352 767; }; then
    panel_keys=keys panel_kind=keyboard
  fi
  if panel_has "$panel_ev" 2 && panel_has "$panel_rel" 0 && panel_has "$panel_rel" 1; then
    panel_kind=mouse
  fi
  if panel_has "$panel_ev" 3; then
    if panel_has "$panel_abs" 53 && panel_has "$panel_abs" 54; then
      panel_kind=touch panel_touch=multi
    elif panel_has "$panel_abs" 0 && panel_has "$panel_abs" 1; then
      panel_kind=touch panel_touch=single
      panel_has "$panel_ev" 1 && panel_has "$panel_key" 330 && panel_touch=single-btn
    fi
  fi
  printf '%s %s %s %s %s\n' "$panel_event" "$panel_kind" "$panel_touch" "$panel_keys" "$panel_name"
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

# panel_resolve PATH: panel_named, the eventN a pendant's path names,
# through its links (touchscreen0, ts0, mdev's names); fails, saying why in
# panel_why, when it is not there or not an event device.
panel_resolve() {
  panel_p=$(panel_path "$1") panel_n=0
  while [ -L "$panel_p" ] && [ "$panel_n" -lt 8 ]; do
    panel_t=$(readlink "$panel_p")
    case $panel_t in
      /*) panel_p=$(panel_path "$panel_t") ;;
      *) panel_p=${panel_p%/*}/$panel_t ;;
    esac
    panel_n=$((panel_n + 1))
  done
  if [ ! -e "$panel_p" ]; then panel_why="$1 is not there"; return 1; fi
  panel_e=${panel_p##*/}
  case $panel_e in
    event*[!0-9]*|event) ;;
    event[0-9]*) panel_named=$panel_e; return 0 ;;
  esac
  panel_why="$1 is not an input event device"
  return 1
}

# panel_info eventN: "KIND TOUCH KEYS NAME" of a device found, or nothing.
panel_info() {
  while IFS=' ' read -r panel_ie panel_irest; do
    [ "$panel_ie" = "$1" ] && { printf '%s' "$panel_irest"; return 0; }
  done <<EOF
$panel_found
EOF
  return 1
}
panel_label() { panel_info "$1" | { read -r _k _t _y panel_ln; printf '%s' "$panel_ln"; }; }
# panel_with FIELD VALUE: the eventN of every device whose FIELD (2 kind,
# 3 touch, 4 keys) is VALUE (a case pattern), one a line.
panel_with() {
  while IFS=' ' read -r panel_we panel_w2 panel_w3 panel_w4 _rest; do
    [ -n "$panel_we" ] || continue
    case $1 in 2) panel_wv=$panel_w2 ;; 3) panel_wv=$panel_w3 ;; *) panel_wv=$panel_w4 ;; esac
    # shellcheck disable=SC2254  # the value is a pattern
    case $panel_wv in $2) printf '%s\n' "$panel_we" ;; esac
  done <<EOF
$panel_found
EOF
}
# panel_list eventN...: their device files, joined by ':' as Qt's evdev
# parameters take them.
panel_list() {
  panel_out=""
  for panel_e in "$@"; do panel_out=$panel_out${panel_out:+:}$(panel_node "$panel_e"); done
  printf '%s' "$panel_out"
}

# panel_calibration FILE: FILE reads as a tslib calibration: seven
# integers (the last, the divider, not 0), optionally the resolution.
panel_calibration() {
  [ -f "$1" ] && [ -r "$1" ] || return 1
  IFS=' 	' read -r panel_c1 panel_c2 panel_c3 panel_c4 panel_c5 panel_c6 panel_c7 panel_c8 panel_c9 panel_c10 < "$1" || [ -n "$panel_c1" ] || return 1
  [ -z "$panel_c10" ] || return 1
  [ -z "$panel_c8$panel_c9" ] || [ -n "$panel_c9" ] || return 1
  for panel_ci in "$panel_c1" "$panel_c2" "$panel_c3" "$panel_c4" "$panel_c5" "$panel_c6" "$panel_c7" ${panel_c8:+"$panel_c8"} ${panel_c9:+"$panel_c9"}; do
    case ${panel_ci#-} in ''|*[!0-9]*) return 1 ;; esac
  done
  case $panel_c7 in 0|-0|00*|-00*) return 1 ;; esac
  return 0
}

# panel_setting_log NAME SOURCE VALUE WHAT: one line for a setting.
panel_setting_log() { launch_log "setting: $1=$3 ($2): $4"; }

# panel_file_setting NAME CHECK WHY: panel_chosen, the file named by the
# first of NAME's values that is plain and passes CHECK (a function of
# this file); each value tried is logged, used or set aside (for WHY).
panel_file_setting() {
  panel_chosen=""
  panel_list_c=$(panel_candidates "$1")
  while IFS="$panel_tab" read -r panel_src panel_val; do
    [ -n "$panel_src" ] || continue
    if ! panel_plain "$panel_val"; then
      panel_setting_log "$1" "$panel_src" "$panel_val" "set aside, not a plain value"
    elif [ -z "$panel_chosen" ] && "$2" "$(panel_path "$panel_val")"; then
      panel_chosen=$(panel_path "$panel_val")
      panel_setting_log "$1" "$panel_src" "$panel_val" "used"
    elif [ -z "$panel_chosen" ]; then
      panel_setting_log "$1" "$panel_src" "$panel_val" "set aside, $3"
    fi
  done <<EOF
$panel_list_c
EOF
}
panel_is_file() { [ -f "$1" ]; }

# ---- QWS_DISPLAY, read once: the frame buffer, the rotation and the
# physical size. "Multi:" takes its first screen.
panel_display() {
  panel_display="" panel_display_fb="" panel_rot=0 panel_mmsize=""
  panel_cands_d=$(panel_candidates QWS_DISPLAY)
  while IFS="$panel_tab" read -r panel_src panel_val; do
    [ -n "$panel_src" ] || continue
    if ! panel_plain "$panel_val"; then
      panel_display_notes="$panel_display_notes${panel_nl}setting: QWS_DISPLAY=$panel_val ($panel_src): set aside, not a plain value"
      continue
    fi
    panel_scr=$panel_val
    case $panel_scr in
      [Mm]ulti:*) panel_scr=${panel_scr#*:}
        while :; do case $panel_scr in ' '*) panel_scr=${panel_scr# } ;; *) break ;; esac; done
        panel_scr=${panel_scr%% *} ;;
    esac
    panel_fbn="" panel_r=0 panel_mw="" panel_mh=""
    panel_saved_ifs=$IFS; IFS=:; set -f
    for panel_field in $panel_scr; do
      case $panel_field in
        /dev/fb*) [ -z "$panel_fbn" ] && panel_fbn=$panel_field ;;
        [Rr]ot90) panel_r=90 ;; [Rr]ot180) panel_r=180 ;; [Rr]ot270) panel_r=270 ;;
        mmWidth*) panel_mw=${panel_field#mmWidth}; panel_mw=${panel_mw#=} ;;
        mmHeight*) panel_mh=${panel_field#mmHeight}; panel_mh=${panel_mh#=} ;;
      esac
    done
    IFS=$panel_saved_ifs; set +f
    if [ -n "$panel_fbn" ] && [ ! -e "$(panel_path "$panel_fbn")" ]; then
      panel_display_notes="$panel_display_notes${panel_nl}setting: QWS_DISPLAY=$panel_val ($panel_src): set aside, $panel_fbn is not there"
      continue
    fi
    # shellcheck disable=SC2034  # the launcher reads these
    panel_display=$panel_val panel_display_fb=$panel_fbn panel_rot=$panel_r
    case $panel_mw$panel_mh in
      *[!0-9]*) ;;
      *) [ -n "$panel_mw" ] && [ -n "$panel_mh" ] && [ "$panel_mw" -gt 0 ] && [ "$panel_mh" -gt 0 ] &&
           panel_mmsize=${panel_mw}x$panel_mh ;;
    esac
    panel_display_notes="$panel_display_notes${panel_nl}setting: QWS_DISPLAY=$panel_val ($panel_src): used"
    break
  done <<EOF
$panel_cands_d
EOF
}

# panel_named_touches: the touch screens the pendant's settings name for
# tslib (TSLIB_TSDEVICE, then the Tslib entries of QWS_MOUSE_PROTO), and
# the log of every input setting, used or set aside.
panel_check_settings() {
  panel_named_ts=""
  for panel_sn in TSLIB_TSDEVICE QWS_MOUSE_PROTO QWS_KEYBOARD; do
    panel_list_c=$(panel_candidates "$panel_sn")
    while IFS="$panel_tab" read -r panel_src panel_val; do
      [ -n "$panel_src" ] || continue
      if ! panel_plain "$panel_val"; then
        panel_setting_log "$panel_sn" "$panel_src" "$panel_val" "set aside, not a plain value"
        continue
      fi
      # Entries: TSLIB_TSDEVICE is a path; the others "Driver:/dev/...:options",
      # several separated by spaces.
      set -f
      for panel_entry in $panel_val; do
        panel_drv=${panel_entry%%:*} panel_dpath=""
        [ "$panel_sn" = TSLIB_TSDEVICE ] && panel_drv=tslib panel_dpath=$panel_entry
        panel_saved_ifs=$IFS; IFS=:
        for panel_field in $panel_entry; do
          case $panel_field in /dev/*) [ -z "$panel_dpath" ] && panel_dpath=$panel_field ;; esac
        done
        IFS=$panel_saved_ifs
        panel_what="$panel_sn=$panel_val ($panel_src)"
        [ "$panel_entry" = "$panel_val" ] || panel_what="$panel_sn entry $panel_entry ($panel_src)"
        if [ -z "$panel_dpath" ]; then
          launch_log "setting: $panel_what: names no device; the devices found are used"
          continue
        fi
        if panel_resolve "$panel_dpath"; then
          panel_ev_named=$panel_named
        else
          launch_log "setting: $panel_what: set aside, $panel_why"
          continue
        fi
        if ! panel_i=$(panel_info "$panel_ev_named"); then
          launch_log "setting: $panel_what: set aside, $panel_dpath ($panel_ev_named) is not listed in /proc/bus/input/devices"
          continue
        fi
        panel_ikind=${panel_i%% *}
        panel_itouch=${panel_i#* }; panel_itouch=${panel_itouch%% *}
        case $panel_sn:$panel_drv in
          *:[Tt][Ss][Ll][Ii][Bb]*)
            case $panel_itouch in
              single*) panel_named_ts=$panel_named_ts$panel_ev_named$panel_nl
                launch_log "setting: $panel_what: $panel_dpath is $panel_ev_named, a single-touch screen: named for tslib" ;;
              multi) launch_log "setting: $panel_what: $panel_dpath is $panel_ev_named, a multi-touch screen: Qt's evdev touch, not tslib" ;;
              *) launch_log "setting: $panel_what: set aside, $panel_dpath is $panel_ev_named ($(panel_label "$panel_ev_named")), a $panel_ikind, not a touch screen" ;;
            esac ;;
          QWS_KEYBOARD:*)
            case $panel_i in
              *" keys "*) launch_log "setting: $panel_what: $panel_dpath is $panel_ev_named, a device with keys: used" ;;
              *) launch_log "setting: $panel_what: set aside, $panel_dpath is $panel_ev_named ($(panel_label "$panel_ev_named")), which has no keys" ;;
            esac
            case $panel_entry in *keymap=*) launch_log "setting: $panel_what: its keymap is Qt 4's, not used" ;; esac ;;
          *)
            launch_log "setting: $panel_what: $panel_dpath is $panel_ev_named, a $panel_ikind: the $panel_ikind handler" ;;
        esac
      done
      set +f
    done <<EOF
$panel_list_c
EOF
  done
}

panel_input() {
  # The screen: its device (the launcher's, else the one linuxfb opens;
  # none with DRM) and its size as the kernel gives it.
  panel_fb=${fb_device:-}
  case $panel_fb$QT_QPA_PLATFORM in
    linuxfb*fb=*) panel_fb=${QT_QPA_PLATFORM#*fb=}; panel_fb=${panel_fb%%:*} ;;
    linuxfb*) [ "${QT_QPA_FB_DRM:-}" = 1 ] || panel_fb=/dev/fb0 ;;
  esac
  if [ -n "$panel_fb" ]; then
    panel_size=$({ tr , x < "$panel_sys/class/graphics/${panel_fb##*/}/virtual_size"; } 2>/dev/null)
    launch_log "screen: $panel_fb ${panel_size:-(size unknown)}, platform $QT_QPA_PLATFORM"
  else
    launch_log "screen: platform $QT_QPA_PLATFORM"
  fi
  printf '%s\n' "$panel_display_notes" | while IFS= read -r panel_l; do [ -z "$panel_l" ] || launch_log "$panel_l"; done
  case $QT_QPA_PLATFORM in
    linuxfb*)
      if [ -n "$panel_mmsize" ]; then
        QT_QPA_PLATFORM=$QT_QPA_PLATFORM:mmsize=$panel_mmsize
        export QT_QPA_PLATFORM
        launch_log "screen: physical size ${panel_mmsize} mm (QWS_DISPLAY)"
      fi ;;
    # The offscreen platform (tests) has no input of its own: it takes the
    # devices of a pendant a test gives, never the workstation's.
    offscreen*) [ -n "${PENDANT_PROC:-}" ] || return 0 ;;
    *) return 0 ;;
  esac

  panel_found=""
  if [ -r "$panel_proc/bus/input/devices" ]; then
    # A word wider than 8 digits: a 64-bit kernel's.
    panel_width=32
    grep -q '^B: [A-Z]*=.*[0-9a-f]\{9\}' "$panel_proc/bus/input/devices" && panel_width=64
    panel_found=$(panel_classify < "$panel_proc/bus/input/devices"; printf '\n%s' "$panel_bad" | sed 's/^/#/')
    printf '%s\n' "$panel_found" | sed -n 's/^#\(..*\)/\1/p' | while IFS= read -r panel_l; do
      launch_log "input: skipped $panel_l (malformed)"
    done
    panel_found=$(printf '%s\n' "$panel_found" | sed '/^#/d; /^$/d')
  fi
  panel_check_settings

  panel_touches=$(panel_with 2 touch)
  panel_mice=$(panel_with 2 mouse)
  panel_keys=$(panel_with 4 keys)

  # Calibration: the pendant's tslib calibration, where there is one that
  # reads as one.
  panel_file_setting TSLIB_CALIBFILE panel_calibration "not a tslib calibration (seven integers)"
  panel_calib=$panel_chosen
  [ -n "$panel_calib" ] || ! panel_calibration "$panel_etc/pointercal" || panel_calib=$panel_etc/pointercal

  # tslib, for one single-touch screen: the one the settings name, else a
  # panel without BTN_TOUCH (Qt's evdev touch cannot release its touches),
  # else the first one; used with a calibration, or for a panel without
  # BTN_TOUCH (then uncalibrated).
  panel_ts=""
  if [ -f "$runtime/plugins/generic/libqtslibplugin.so" ]; then
    panel_ts=$(printf '%s\n' "$panel_named_ts" | sed -n '/./{p;q;}')
    [ -n "$panel_ts" ] || panel_ts=$(panel_with 3 single | sed -n 1p)
    [ -n "$panel_ts" ] || panel_ts=$(panel_with 3 single-btn | sed -n 1p)
    if [ -n "$panel_ts" ] && [ -z "$panel_calib" ]; then
      case $(panel_info "$panel_ts") in *" single-btn "*) panel_ts="" ;; esac
    fi
  fi

  QT_QPA_FB_NO_LIBINPUT=1
  export QT_QPA_FB_NO_LIBINPUT
  # The handlers are loaded as plugins, with exactly the devices found: the
  # frame buffer's own would look for more themselves.
  panel_plugins=""
  panel_evdev_touches=""
  for panel_e in $panel_touches; do
    [ "$panel_e" = "$panel_ts" ] || panel_evdev_touches="$panel_evdev_touches $panel_e"
  done
  if [ -n "$panel_ts" ]; then
    TSLIB_TSDEVICE=$(panel_node "$panel_ts")
    TSLIB_PLUGINDIR=$runtime/ts
    TSLIB_CALIBFILE=${panel_calib:-$panel_etc/pointercal}
    panel_file_setting TSLIB_CONFFILE panel_is_file "no such file"
    TSLIB_CONFFILE=$panel_chosen
    [ -n "$TSLIB_CONFFILE" ] || TSLIB_CONFFILE=$panel_etc/ts.conf
    [ -f "$TSLIB_CONFFILE" ] || TSLIB_CONFFILE=$runtime/ts/ts.conf
    panel_plugins=tslib:$TSLIB_TSDEVICE
    export TSLIB_TSDEVICE TSLIB_PLUGINDIR TSLIB_CALIBFILE TSLIB_CONFFILE
  fi
  if [ -n "$panel_evdev_touches" ]; then
    # shellcheck disable=SC2086  # one eventN a word
    QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS=$(panel_list $panel_evdev_touches)
    panel_plugins=$panel_plugins${panel_plugins:+,}evdevtouch
    export QT_QPA_EVDEV_TOUCHSCREEN_PARAMETERS
  fi
  if [ -n "$panel_mice" ]; then
    # shellcheck disable=SC2086
    QT_QPA_EVDEV_MOUSE_PARAMETERS=$(panel_list $panel_mice)
    panel_plugins=$panel_plugins${panel_plugins:+,}evdevmouse
    export QT_QPA_EVDEV_MOUSE_PARAMETERS
  fi
  if [ -n "$panel_keys" ]; then
    # shellcheck disable=SC2086
    QT_QPA_EVDEV_KEYBOARD_PARAMETERS=$(panel_list $panel_keys)
    panel_plugins=$panel_plugins${panel_plugins:+,}evdevkeyboard
    export QT_QPA_EVDEV_KEYBOARD_PARAMETERS
  fi
  QT_QPA_FB_DISABLE_INPUT=1
  export QT_QPA_FB_DISABLE_INPUT
  if [ -n "$panel_plugins" ]; then
    QT_QPA_GENERIC_PLUGINS=$panel_plugins
    export QT_QPA_GENERIC_PLUGINS
  fi

  # Every device: what it is, which handler got it and why.
  while IFS=' ' read -r panel_e panel_k panel_t panel_y panel_ln; do
    [ -n "$panel_e" ] || continue
    panel_n=$(panel_node "$panel_e")
    case $panel_t in
      multi) panel_what="touch screen (multi-touch)" ;;
      single-btn) panel_what="touch screen (single-touch with BTN_TOUCH)" ;;
      single) panel_what="touch screen (single-touch without BTN_TOUCH)" ;;
      *) panel_what=$panel_k ;;
    esac
    [ "$panel_y" = keys ] && [ "$panel_k" != keyboard ] && panel_what="$panel_what with keys"
    panel_how=""
    if [ "$panel_e" = "$panel_ts" ]; then
      if [ -n "$panel_calib" ]; then panel_how="tslib, calibrated by $panel_calib"
      else panel_how="tslib, uncalibrated (no calibration; Qt's evdev touch cannot release a panel without BTN_TOUCH)"; fi
    elif [ "$panel_k" = touch ]; then
      case $panel_t in
        multi) panel_how="Qt's evdev touch (released by tracking id)" ;;
        single) panel_how="Qt's evdev touch (the stick carries no tslib: touches may not release)" ;;
        *) if [ -n "$panel_calib" ] && [ ! -f "$runtime/plugins/generic/libqtslibplugin.so" ]; then
             panel_how="Qt's evdev touch, raw range ($panel_calib not used: the stick carries no tslib)"
           elif [ -n "$panel_calib" ]; then
             panel_how="Qt's evdev touch, raw range ($panel_calib is for the touch screen that tslib reads)"
           else panel_how="Qt's evdev touch, raw range (no calibration)"; fi ;;
      esac
    elif [ "$panel_k" = mouse ]; then panel_how="Qt's evdev mouse"
    fi
    if [ "$panel_y" = keys ] && [ -n "$panel_how" ]; then panel_how="$panel_how; its keys: Qt's evdev keyboard"
    elif [ "$panel_y" = keys ]; then panel_how="Qt's evdev keyboard"; fi
    launch_log "input: $panel_n ($panel_ln): $panel_what: ${panel_how:-not used}"
  done <<EOF
$panel_found
EOF
  [ -n "$panel_touches" ] || launch_log "touch: none found in $panel_proc/bus/input/devices"
  [ -z "$panel_skipped" ] || launch_log "profile: skipped ${panel_skipped#, }"

  # Rotation: Qt 5.15's frame buffer platform cannot turn its drawing, so
  # the tool draws in the frame buffer's own orientation, and touches stay
  # in that orientation too, so a tap still lands on the button under it.
  if [ "$panel_rot" = 0 ]; then
    launch_log "rotation: none"
  else
    launch_log "rotation: the pendant turns its screen by $panel_rot degrees (QWS_DISPLAY); this tool cannot turn its drawing and shows it unturned, touches matching"
    echo "pendant-tool: 屏幕旋转${panel_rot}度：本工具无法旋转显示，画面将以未旋转方向显示，触摸位置与画面一致。" >&2
  fi
}

panel_display_notes=""
panel_read_profile
panel_display
