#!/usr/bin/env bash
# Clearing the controller's system log on the simulated pendant, on a real
# SQLite database in the controller's export, checked with sqlite3.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
work=$(mktemp -d /tmp/maintenance-log-e2e.XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$here/lib/maintenance.sh"
command -v sqlite3 >/dev/null || skip_all "sqlite3 is missing"

# make_db NAME [with-log]: dravon.db in the controller's export.
make_db() {
  local db; db=$(data_share "$1")/dravon.db
  mkdir -p "$(dirname "$db")"
  sqlite3 "$db" "create table robot_t (id integer primary key, name text); insert into robot_t (name) values ('arm'), ('base');"
  [ "${2:-}" = with-log ] && sqlite3 "$db" "create table system_log_t (id integer primary key, text text);
    with recursive n(i) as (select 1 union all select i + 1 from n where i < 500) insert into system_log_t (text) select 'entry ' || i from n;"
  return 0
}
rows() { sqlite3 "$(data_share "$1")/dravon.db" "select count(*) from $2"; }

make_db clear with-log
run clear "确定" clear-log
expect "clear: exit status 0" equals "$(status_of clear)" 0
expect "clear: log empty" equals "$(rows clear system_log_t)" 0
expect "clear: other table untouched" equals "$(rows clear robot_t)" 2
expect "clear: boxes" equals "$(box_texts clear | paste -sd'|')" '检测到程序？\n是否需要进行日志清除？|成功!'

make_db declined with-log
run declined "取消" clear-log
expect "declined: log kept" equals "$(rows declined system_log_t)" 500
expect "declined: one box" equals "$(box_count declined)" 1

make_db notable
run notable "确定" clear-log
expect "notable: exit status 1" equals "$(status_of notable)" 1
expect "notable: delete failed box" equals "$(box_texts notable | tail -n 1)" "删除失败!"
expect "notable: database intact" equals "$(rows notable robot_t)" 2

mkdir -p "$(data_share nodb)"
run nodb "确定" clear-log
expect "nodb: exit status 1" equals "$(status_of nodb)" 1
expect "nodb: open failed box" equals "$(box_texts nodb | tail -n 1)" "打开失败!"
expect "nodb: no empty database left" absent "$(data_share nodb)/dravon.db"

finish
