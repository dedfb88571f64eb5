#!/usr/bin/env bash
# Backup restore on the simulated pendant: project and database backups
# with hostile and Chinese names restore exactly the chosen entry; a
# database backup that lacks a table and a cancel change nothing.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"

. "$here/lib/tool.sh"
e2e_begin rescue-restore
command -v sqlite3 >/dev/null || skip_all "sqlite3 is not installed (tools/setup.sh)"

. "$here/lib/rescue.sh"

"$top/tools/make-package" sample "$work/src" --minimal >/dev/null
tool_stick "$work/stick"

hostile="workspace_a b'c \$(cd;touch pwned) \`cd;touch pwned\`"
chinese="workspace_工程 备份"
hostile_db="database_数据 库 \$(cd;touch pwned)"
done_text='恢复完成，请重启机器人。'

project() {  # project DIR NAME: a project folder that names itself
  mkdir -p "$1/programs" && printf '%s\n' "$2" > "$1/marker" && printf 'MoveJ %s\n' "$2" > "$1/programs/main.prg"
}
database() {  # database FILE TAG: the sample database with one row naming it
  mkdir -p "$(dirname "$1")" && cp "$work/src/dravon.db" "$1" &&
    sqlite3 "$1" "INSERT INTO tool_t (name, value) VALUES ('$2', '')"
}

# seed NAME: the controller of run NAME with a live workspace and database
# and backups under several names.
seed() {
  local s; s=$(share "$1")
  project "$s/workspace" live
  database "$s/dravon.db" live
  local p
  for p in "$hostile" "$chinese" workspace_a workspace_20240101; do project "$s/workspace_backup/$p" "$p"; done
  if [ "${2:-}" != no-databases ]; then
    database "$s/database_backup/$hostile_db" chosen
    database "$s/database_backup/database_a" decoy
    database "$s/database_backup/database_bad" bad
    sqlite3 "$s/database_backup/database_bad" "DROP TABLE serial_para_t;"
  fi
  cp -a "$s" "$work/$1.before"
}
same_tree() { diff -r "$1" "$2" >/dev/null; }
leftovers() { (cd "$(share "$1")" && ls -d workspace.* dravon.db.restoring 2>/dev/null | wc -l); }
tool_row() { sqlite3 "$(share "$1" /dravon.db)" "SELECT name FROM tool_t WHERE name IN ('live', 'chosen', 'decoy', 'bad')"; }
last_box() { box_texts "$1" | tail -n 1; }

# 1. A project and a database, both named with blanks, quotes and $(...).
seed hostile
rescue hostile "恢复|cmbProject=$hostile|cmbDatabase=$hostile_db|确认" "$work/stick"
expect "hostile: restore complete" equals "$(last_box hostile)" "$done_text"
expect "hostile: workspace is the chosen backup" same_tree "$(share hostile /workspace)" "$(share hostile "/workspace_backup/$hostile")"
expect "hostile: database is the chosen backup" cmp -s "$(share hostile /dravon.db)" "$(share hostile "/database_backup/$hostile_db")"
expect "hostile: old database kept" cmp -s "$(share hostile)"/dravon.db.before_restore.* "$work/hostile.before/dravon.db"
expect "hostile: backups untouched" same_tree "$(share hostile /workspace_backup)" "$work/hostile.before/workspace_backup"
expect "hostile: no leftovers" equals "$(leftovers hostile)" 0
expect "hostile: nothing ran from a name" test ! -e "$work/hostile/pendant/upper/root/pwned"
expect "hostile: progress 0, 50, 100" equals "$(steps hostile | grep 开始修复流程 | cut -d' ' -f1 | tr '\n' ' ')" "0 50 100 "

# 2. A Chinese project name, no database backups at all.
seed chinese no-databases
rescue chinese "恢复|cmbProject=$chinese|确认" "$work/stick"
expect "chinese: restore complete" equals "$(last_box chinese)" "$done_text"
expect "chinese: workspace is the chosen backup" same_tree "$(share chinese /workspace)" "$(share chinese "/workspace_backup/$chinese")"
expect "chinese: database unchanged" cmp -s "$(share chinese /dravon.db)" "$work/chinese.before/dravon.db"

# 3. The preselected (newest) project and a database backup lacking a table.
seed rejected
rescue rejected "恢复|cmbDatabase=database_bad|确认" "$work/stick"
expect "rejected: says the project was restored and the database was not" equals "$(last_box rejected)" '工程已恢复；数据库恢复失败，数据库未改变。\n请重启机器人。'
newest=$(ls "$(share rejected /workspace_backup)" | LC_ALL=C sort -r | head -n 1)
expect "rejected: first in descending order restored" equals "$(cat "$(share rejected /workspace/marker)")" "$newest"
expect "rejected: database unchanged" equals "$(tool_row rejected)" live
expect "rejected: no copy kept" test -z "$(ls "$(share rejected)" | grep before_restore)"
expect "rejected: no leftovers" equals "$(leftovers rejected)" 0

# 4. Cancel.
seed cancel
rescue cancel "恢复|取消" "$work/stick"
expect "cancel: no box after the chooser" equals "$(last_box cancel)" RecoveryDialog
expect "cancel: nothing changed" same_tree "$(share cancel)" "$work/cancel.before"

finish
