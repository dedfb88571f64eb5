#!/usr/bin/env bash
# Database repair on the simulated pendant with the real sqlite3 beside the
# tool: a sound database, a damaged index, a missing table, a stick whose
# sqlite3 cannot salvage, and a stick without sqlite3. The controller's files are checked on
# its export afterwards.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
. "$top/tools/lib/damage-db.sh"

. "$here/lib/tool.sh"
e2e_begin rescue-repair
command -v sqlite3 >/dev/null || skip_all "sqlite3 is not installed (tools/setup.sh)"

. "$here/lib/rescue.sh"

"$top/tools/make-package" sample "$work/src" --minimal >/dev/null
sound=$work/src/dravon.db
# The stick is mounted at a path with blanks and shell characters.
stick="$work/usb stick \$(touch $work/pwned);'x'"
tool_stick "$stick"
tool_stick "$work/bare-stick" no-sqlite3

repaired='dravon.db数据库损坏 ... 已修复;\n修复完成，请重启机器人。\n！！！请务必确认机型、零点、限位等重要信息。\n！！！本软件无法保证修复后数据的完整性。'

# repair NAME DAMAGE [STICK]: puts a copy of the sound database, damaged by
# the function DAMAGE, on the controller and runs a repair.
repair() {
  local name=$1 damage=$2 from=${3:-$stick}
  mkdir -p "$(share "$name")"
  cp "$sound" "$(share "$name" /dravon.db)"
  "$damage" "$(share "$name" /dravon.db)"
  cp "$(share "$name" /dravon.db)" "$work/$name.before"
  rescue "$name" "修复" "$from"
}
keep() { :; }
drop_table() { sqlite3 "$1" "DROP TABLE serial_para_t;"; }
last_box() { box_texts "$1" | tail -n 1; }
bad_backups() { find "$(share "$1")" -maxdepth 1 -name 'dravon.db.badbak.*' | wc -l; }
unchanged() { cmp -s "$(share "$1" /dravon.db)" "$work/$1.before"; }
sound_now() { equals "$(sqlite3 "$(share "$1" /dravon.db)" 'PRAGMA integrity_check;' 2>&1)" ok; }
backup_is_damaged() { cmp -s "$(share "$1")"/dravon.db.badbak.* "$work/$1.before"; }
dump_in_place() { cmp -s "$(share "$1" /dravon.db)" "$(share "$1" /dravon_dump.db)"; }

repair healthy keep
expect "healthy: no anomaly" equals "$(last_box healthy)" "未发现系统异常。"
expect "healthy: database untouched" unchanged healthy
expect "healthy: no bad backup" equals "$(bad_backups healthy)" 0

repair index damage_index
expect "index: the two letters in lookup_idx do not pass" has_box_starting index 'dravon.db数据库损坏'
expect "index: repair report" equals "$(last_box index)" "$repaired"
expect "index: database sound again" sound_now index
expect "index: rows kept" equals "$(sqlite3 "$(share index /dravon.db)" 'SELECT count(*) FROM system_log_t;')" 1500
expect "index: bad backup holds the damaged file" backup_is_damaged index
expect "index: the dump is the new database" dump_in_place index
expect "index: nothing ran from the stick's path" test ! -e "$work/pwned"
expect "index: progress 0, 25, 31..61, 100" equals "$(steps index | grep 开始修复流程 | cut -d' ' -f1 | tr '\n' ' ')" \
  "0 25 $(seq -s ' ' 31 61) 100 "

# Page damage, dump and salvage: the corpus of salvage_test.sh. A stick
# whose sqlite3 cannot read pages one by one (the system's) salvages
# nothing and says why.
tool_stick "$work/plain-stick"
cp "$(command -v sqlite3)" "$work/plain-stick/sqlite3"
repair plain damage_page "$work/plain-stick"
expect "shell without sqlite_dbpage: says salvage needs the stick's own" equals "$(last_box plain)" \
  '修复失败：U盘中的sqlite3不支持数据抢救(sqlite_dbpage)。\n请使用U盘自带的sqlite3。数据库未改变。'
expect "shell without sqlite_dbpage: database untouched" unchanged plain
expect "shell without sqlite_dbpage: bad backup kept" backup_is_damaged plain

repair missing drop_table
expect "missing table: box D" equals "$(last_box missing)" '控制器数据库损坏严重，已无法修复。\n请联系厂家技术服务支持。'
expect "missing table: database untouched" unchanged missing
expect "missing table: no bad backup" equals "$(bad_backups missing)" 0

repair nosqlite damage_index "$work/bare-stick"
expect "no sqlite3: box A" equals "$(last_box nosqlite)" 'U盘中不存在数据库恢复工具(sqlite3)。'
expect "no sqlite3: database untouched" unchanged nosqlite

finish
