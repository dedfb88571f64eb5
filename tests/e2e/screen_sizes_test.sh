#!/usr/bin/env bash
# The pendant's common screens: on 640x480, 800x480 and 800x600 every box
# and dialog of the upgrade, the repair (the salvage report too), the
# restore and the utilities lies wholly on the screen with each of its buttons,
# as the dialog robot measures it. The tool draws on Qt's VNC platform, a
# frame-buffer screen of the given size like the panel's linuxfb, inside the
# simulated pendant's own network (nothing connects to it). The robot keeps
# a picture of each whole screen (NNN-box-screen.png) beside each dialog's.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
. "$here/lib/tool.sh"
e2e_begin screen_sizes
command -v sqlite3 >/dev/null || skip_all "sqlite3 is not installed (tools/setup.sh)"
. "$here/lib/rescue.sh"
. "$top/tools/lib/controller-db.sh"
. "$top/tools/lib/damage-db.sh"
. "$here/lib/maintenance.sh"
shots=${PENDANT_SCREENSHOTS:-$work/shots}/screen_sizes

"$top/tools/make-package" sample "$work/src" >/dev/null
"$top/tools/make-package" build "$work/src" "$work/tesma.zip" >/dev/null
mkdir -p "$work/upgrade-stick" && cp "$work/tesma.zip" "$work/upgrade-stick/"
tool_stick "$work/stick"
controller_db "$work/sound.db" full

# A controller whose database only a salvage can save, and which has
# project backups to restore (one with a long name).
damaged_controller() {
  local s; s=$(share "$1")
  mkdir -p "$s/workspace" "$s/workspace_backup/workspace_20240101_before_the_big_change_of_line_4" \
    "$s/workspace_backup/workspace_20230101"
  cp "$work/sound.db" "$s/dravon.db"
  garble_page "$s/dravon.db" system_log_t internal
}

# on_screen NAME SIZE: every dialog of run NAME was on a screen of SIZE with
# nothing off it; a run that showed no dialog fails.
on_screen() {
  local log=$work/$1.log
  [ "$(jq -s '[.[] | select(.kind != "progress")] | length' "$log")" -gt 0 ] || { echo "    no dialog"; return 1; }
  local bad
  bad=$(jq -r --arg s "$2" 'select((.kind != "progress" or .screen) and (.screen != $s or (.off_screen | length) > 0))
    | "\(.kind) \(.text // .label // "" | .[0:40]): screen \(.screen), off \(.off_screen | join(","))"' "$log")
  [ -z "$bad" ] || { echo "$bad" | sed 's/^/    /'; return 1; }
}

for size in ${PENDANT_SCREEN_SIZES:-640x480 800x480 800x600}; do
  export QT_QPA_PLATFORM=vnc:size=$size

  sim_run "upgrade-$size" "确定" -- "$tool" "$work/upgrade-stick"
  expect "upgrade at $size: success box" has_box "upgrade-$size" '升级成功，请手动重启系统！'
  expect "upgrade at $size: every dialog on screen" on_screen "upgrade-$size" "$size"

  damaged_controller "salvage-$size"
  rescue "salvage-$size" "修复" "$work/stick"
  expect "salvage at $size: the report" mentions "salvage-$size" '已抢救部分数据'
  expect "salvage at $size: every dialog on screen" on_screen "salvage-$size" "$size"

  damaged_controller "restore-$size"
  rescue "restore-$size" "恢复|cmbProject=workspace_20240101_before_the_big_change_of_line_4|确认" "$work/stick"
  expect "restore at $size: done" mentions "restore-$size" '请重启机器人'
  expect "restore at $size: every dialog on screen" on_screen "restore-$size" "$size"

  # The utilities: clearing the log, deleting a workspace entry, copying
  # the database and project.
  for utility in clear-log delete copy; do
    name=$utility-$size
    mkdir -p "$(data_share "$name")/workspace/proj a"
    sqlite3 "$(data_share "$name")/dravon.db" "create table system_log_t (id integer primary key, text text);"
    case $utility in
      clear-log) run "$name" "确定" clear-log ;;
      delete) run "$name" "确定" delete "proj a" ;;
      copy) run "$name" "确定" copy "/root/backup dir" ;;
    esac
    expect "$utility at $size: every dialog on screen" on_screen "$name" "$size"
  done
done
finish
