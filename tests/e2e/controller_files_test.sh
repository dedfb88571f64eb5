#!/usr/bin/env bash
# What the controller relies on after the tool ran, on the simulated pendant
# with the real tool and commands:
# 1. every file the tool replaces keeps the owner, group and mode it had
#    (the controller's programs run as their own user), after an upgrade, a
#    repair, a salvage and a restore;
# 2. a workspace or robot_control that is a link shows the new content
#    before a success is claimed, and what the link pointed to stays;
# 3. a run killed as any command of robot_control's switch or of the
#    libraries' step starts leaves nothing missing and the database old or
#    new, and the next run of the same stick ends as an uninterrupted run
#    ends, with nothing set aside left.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
. "$here/lib/tool.sh"
e2e_begin controller-files
command -v sqlite3 >/dev/null || skip_all "sqlite3 is not installed (tools/setup.sh)"
. "$here/lib/rescue.sh"
. "$top/tools/lib/controller-db.sh"
. "$top/tools/lib/damage-db.sh"

mp=$top/tools/make-package
"$mp" sample "$work/src" >/dev/null
"$mp" build "$work/src" "$work/tesma.zip" >/dev/null
mkdir -p "$work/stick" && cp "$work/tesma.zip" "$work/stick/"
tool_stick "$work/rescue-stick"
controller_db "$work/full.db" full
success='升级成功，请手动重启系统！'
restored='恢复完成，请重启机器人。'

meta() { stat -c '%u:%g %a' "$1"; }
workspace_share() { echo "$work/$1/controller/export/home/ostrel/workspace${2:-}"; }

# owned NAME [DB]: the controller of run NAME as its own user (uid 1000)
# keeps it, each file with a mode of its own; DB is its database.
owned() {
  local s w; s=$(share "$1"); w=$(workspace_share "$1")
  mkdir -p "$s/robot_control" "$s/workspace/programs" "$s/workspace_backup/workspace_1/programs" \
    "$s/database_backup" "$w"
  cp "${2:-$work/src/dravon.db}" "$s/dravon.db" && chmod 0664 "$s/dravon.db"
  echo "dravon 1.0" > "$s/robot_control/dravon" && chmod 0750 "$s/robot_control/dravon" "$s/robot_control"
  echo "dravon 1.0" > "$w/dravon" && chmod 0750 "$w/dravon"
  echo "MoveJ live" > "$s/workspace/programs/main.prg" && chmod 0640 "$s/workspace/programs/main.prg"
  chmod 0750 "$s/workspace"
  echo "MoveJ backup" > "$s/workspace_backup/workspace_1/programs/main.prg"
  cp "$work/src/dravon.db" "$s/database_backup/database_1"
  chown -R 1000:1000 "$s" "$w"
  chown -R 0:0 "$s/workspace_backup" "$s/database_backup"
}

# 1. Owners and modes.
owned upgrade
sim_run upgrade "确定" -- "$tool" "$work/stick"
expect "upgrade: success" has_box upgrade "$success"
expect "upgrade: dravon.db keeps its owner and mode" equals "$(meta "$(share upgrade /dravon.db)")" "1000:1000 664"
expect "upgrade: robot_control keeps its owner and mode" equals "$(meta "$(share upgrade /robot_control)")" "1000:1000 750"
expect "upgrade: robot_control/dravon keeps its owner and mode" \
  equals "$(meta "$(share upgrade /robot_control/dravon)")" "1000:1000 750"
# The workspace share's programs are made executable for all, as always.
expect "upgrade: the workspace share's dravon keeps its owner" \
  equals "$(meta "$(workspace_share upgrade /dravon)")" "1000:1000 751"
expect "upgrade: a new file is the tool's" equals "$(stat -c %u "$(workspace_share upgrade /dravon_4)")" 0

owned repair "$work/full.db"
damage_index "$(share repair /dravon.db)" io_params_t
rescue repair "修复" "$work/rescue-stick"
expect "repair: repaired" mentions repair 已修复
expect "repair: dravon.db keeps its owner and mode" equals "$(meta "$(share repair /dravon.db)")" "1000:1000 664"

owned salvage "$work/full.db"
garble_page "$(share salvage /dravon.db)" system_log_t leaf
rescue salvage "修复" "$work/rescue-stick"
expect "salvage: salvaged" mentions salvage 已抢救
expect "salvage: dravon.db keeps its owner and mode" equals "$(meta "$(share salvage /dravon.db)")" "1000:1000 664"

owned restore
rescue restore "恢复|cmbProject=workspace_1|cmbDatabase=database_1|确认" "$work/rescue-stick"
expect "restore: restored" has_box restore "$restored"
expect "restore: the workspace is the backup" equals "$(cat "$(share restore /workspace/programs/main.prg)")" "MoveJ backup"
expect "restore: the workspace keeps its owner and mode" equals "$(meta "$(share restore /workspace)")" "1000:1000 750"
expect "restore: a program keeps its owner and mode" \
  equals "$(meta "$(share restore /workspace/programs/main.prg)")" "1000:1000 640"
expect "restore: dravon.db keeps its owner and mode" equals "$(meta "$(share restore /dravon.db)")" "1000:1000 664"

# 2. Links: the path shows the new content; what it pointed to stays.
linked() {  # linked NAME FOLDER: FOLDER on the data share is a link to FOLDER.v1
  owned "$1"
  mv "$(share "$1" "/$2")" "$(share "$1" "/$2.v1")" && ln -s "$2.v1" "$(share "$1" "/$2")"
  cp -a "$(share "$1" "/$2.v1")" "$work/$1.v1"
}
linked link-restore workspace
rescue link-restore "恢复|cmbProject=workspace_1|确认" "$work/rescue-stick"
expect "linked workspace: restored" has_box link-restore "$restored"
expect "linked workspace: the path holds the backup" \
  equals "$(cat "$(share link-restore /workspace/programs/main.prg)")" "MoveJ backup"
expect "linked workspace: what the link pointed to stays" diff -r "$(share link-restore /workspace.v1)" "$work/link-restore.v1"

linked link-upgrade robot_control
sim_run link-upgrade "确定" -- "$tool" "$work/stick"
expect "linked robot_control: success" has_box link-upgrade "$success"
expect "linked robot_control: the path holds the package's" diff -r "$(share link-upgrade /robot_control)" "$work/src/RC"
expect "linked robot_control: what the link pointed to stays" \
  diff -r "$(share link-upgrade /robot_control.v1)" "$work/link-upgrade.v1"

# 3. Cut-off runs. Inside the pendant, the commands the tool runs are
#    wrapped: the wrapper counts those whose words hold WATCH and, at the
#    CUT-th, kills the tool before the command does anything, as a power
#    cut would.
cutter='watch=$1 cut=$2 state=$3; shift 3
preload=${LD_PRELOAD:-}; unset LD_PRELOAD
mkdir -p "$state/real"
for c in cp mv rm mkdir chmod; do
  cp "$(readlink -f /usr/bin/$c)" "$state/real/$c"
  printf "#!/bin/bash\ncase \" \$* \" in *%s*) n=\$((\$(cat %s/count) + 1)); echo \$n > %s/count\n  [ \$n = %s ] && kill -9 \$(cat %s/pid) && exit 137 ;;\nesac\nexec %s/real/%s \"\$@\"\n" \
    "$watch" "$state" "$state" "$cut" "$state" "$state" "$c" > "$state/$c"
  chmod +x "$state/$c" && mount --bind "$state/$c" /usr/bin/$c
done
echo 0 > "$state/count"
LD_PRELOAD=$preload "$@" & echo $! > "$state/pid"; wait; exit 0'

# snapshot NAME: every file the upgrade touches, with its content and mode;
# the kept copies of the database carry a time stamp and are left out.
snapshot() {
  (cd "$work/$1" && find pendant/upper/root/workspace pendant/upper/usr/lib pendant/upper/usr/bin \
      controller/export -path '*/dravon.db.before_upgrade.*' -prune -o \( -type f -printf '%p %m ' -exec md5sum {} \; \) |
    awk '{print $1, $2, $3}' | LC_ALL=C sort)
}
whole() {  # whole NAME: nothing missing, the database old or new
  local s rc; s=$(share "$1")
  rc=$(ls -d "$s/robot_control" "$s"/robot_control.replaced.* 2>/dev/null | tail -n 1)
  [ -n "$rc" ] && { diff -r "$rc" "$work/$1.rc" >/dev/null || diff -r "$rc" "$work/src/RC" >/dev/null; } &&
    { cmp -s "$s/dravon.db" "$work/src/dravon.db" || cmp -s "$s/dravon.db" "$work/$1.db"; } &&
    [ -x "$(pendant "$1" /root/workspace/Zivad-ADE)" ] &&
    for lib in "$work/src/HMI_Lib"/*; do
      local at; at=$(pendant "$1" "/usr/lib/$(basename "$lib")")
      [ ! -e "$at" ] || cmp -s "$at" "$lib" || return 1
    done
}
cut_run() {  # cut_run NAME WATCH CUT
  owned "$1"
  cp -a "$(share "$1" /robot_control)" "$work/$1.rc" && cp "$(share "$1" /dravon.db)" "$work/$1.db"
  mkdir -p "$work/$1.cut"
  sim_run "$1" "确定" -- bash -c "$cutter" bash "$2" "$3" "$work/$1.cut" "$tool" "$work/stick"
}
cut_run uncut never 0
expect "uncut: success" has_box uncut "$success"
uncut=$(snapshot uncut)
for watch in robot_control /usr/lib; do
  cut_run "count-${watch//\//}" "$watch" 0
  commands=$(cat "$work/count-${watch//\//}.cut/count")
  expect "$watch: its step runs commands" test "$commands" -gt 2
  for cut in $(seq 1 "$commands"); do
    name=cut-${watch//\//}-$cut
    cut_run "$name" "$watch" "$cut"
    expect "$watch, cut at command $cut: no success claimed" never_mentions "$name" "$success"
    expect "$watch, cut at command $cut: nothing missing, database old or new" whole "$name"
    if [ ! -e "$(share "$name" /robot_control)" ]; then
      # A rescue run puts robot_control back too.
      with_robot "$robot" "取消" "$work/$name.rescue.log" "" "$work/$name" ${sim_options[@]+"${sim_options[@]}"} \
        -- "$work/rescue-stick/pendant-tool" >/dev/null 2>&1
      expect "$watch, cut at command $cut: a rescue run puts robot_control back" diff -r "$(share "$name" /robot_control)" "$work/$name.rc"
    fi
    with_robot "$robot" "确定" "$work/$name.again.log" "" "$work/$name" ${sim_options[@]+"${sim_options[@]}"} \
      -- "$tool" "$work/stick" >/dev/null 2>&1
    expect "$watch, cut at command $cut: the rerun succeeds" grep -qF "$success" "$work/$name.again.log"
    expect "$watch, cut at command $cut: the rerun ends as an uncut run" equals "$(snapshot "$name")" "$uncut"
    expect "$watch, cut at command $cut: nothing set aside left" \
      test -z "$(find "$(share "$name")" "$(pendant "$name" /)" -name '*.replaced.*' -o -name '*.upgrading')"
  done
done

finish
