#!/usr/bin/env bash
# The sqlite3 shell built for the stick (tests/CMakeLists.txt passes the one
# of this build's target; an ARM build runs this script under the
# emulator): the system's SQLite version, linked statically, `.recover` on
# healthy and damaged databases, and the -safe option.
#   tests/tools/sqlite3_shell_test.sh SQLITE3
set -uo pipefail
top=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
. "$top/tests/e2e/lib/tally.sh"
shell=$(readlink -f "${1:?give the sqlite3 shell to test}")
[ -x "$shell" ] || { echo "no shell at $1"; echo "0 passed, 1 failed"; exit 1; }

work=$(mktemp -d /tmp/sqlite3-shell.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The damage helpers call `sqlite3`: make it this shell.
mkdir "$work/bin" && ln -s "$shell" "$work/bin/sqlite3"
export PATH=$work/bin:$PATH
. "$top/tools/lib/damage-db.sh"

system_version=$(dpkg-query -W -f='${Version}' "libsqlite3-0:$(dpkg --print-architecture)")
system_version=${system_version%%-*}
expect "version is the system's SQLite ($system_version)" equals "$(sqlite3 -version | cut -d' ' -f1)" "$system_version"
expect "linked statically (no program interpreter)" bash -c "! readelf -l '$shell' | grep -q 'program interpreter'"
expect "no shared libraries needed" bash -c "! readelf -d '$shell' 2>/dev/null | grep -q NEEDED"
machine=$(readelf -h "$shell" | sed -n 's/^ *Machine: *//p')
case ${PENDANT_TARGET:-host} in
  armhf|armel) want=ARM ;;
  arm64) want=AArch64 ;;
  *) want=$(readelf -h /bin/sh | sed -n 's/^ *Machine: *//p') ;;
esac
expect "built for ${PENDANT_TARGET:-host} ($want)" equals "$machine" "$want"

# A healthy database of some size, with an index and a view.
db=$work/healthy.db
sqlite3 "$db" "CREATE TABLE user_t (id INTEGER PRIMARY KEY, name TEXT, note TEXT);
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
  INSERT INTO user_t (name, note) SELECT 'user' || i, hex(randomblob(40)) FROM n;
  CREATE INDEX user_name ON user_t(name); CREATE VIEW user_v AS SELECT name FROM user_t;"
rows() { sqlite3 "$1" 'SELECT count(*), total(length(note)) FROM user_t;' 2>&1; }
expect "dbpage table present" equals "$(sqlite3 "$db" 'SELECT count(*) > 1 FROM sqlite_dbpage;' 2>&1)" 1
expect "dbstat table present" equals "$(sqlite3 "$db" "SELECT count(*) > 0 FROM dbstat WHERE name = 'user_t';" 2>&1)" 1

# recover NAME DB: .recover of DB into NAME-recovered.db; its status in
# NAME.rc, its errors in NAME.err.
recover() {
  local rc=0
  sqlite3 "$2" .recover > "$work/$1.sql" 2> "$work/$1.err" || rc=$?
  sqlite3 "$work/$1-recovered.db" < "$work/$1.sql" >> "$work/$1.err" 2>&1 || rc=$?
  echo "$rc" > "$work/$1.rc"
}
recover healthy "$db"
expect "healthy: .recover succeeds" equals "$(cat "$work/healthy.rc")" 0
expect "healthy: no error" equals "$(cat "$work/healthy.err")" ""
expect "healthy: every row recovered" equals "$(rows "$work/healthy-recovered.db")" "$(rows "$db")"
expect "healthy: recovered database passes the integrity check" equals "$(sqlite3 "$work/healthy-recovered.db" 'PRAGMA integrity_check;')" ok
expect "healthy: index and view recovered" equals "$(sqlite3 "$work/healthy-recovered.db" "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type IN ('index','view') ORDER BY name);")" "user_name,user_v"

# Damaged databases: .recover gets back what the damage left.
cp "$db" "$work/page.db" && damage_page "$work/page.db"
expect "page damage: the integrity check fails" bash -c "[ \"\$(sqlite3 '$work/page.db' 'PRAGMA integrity_check;' 2>&1)\" != ok ]"
recover page "$work/page.db"
expect "page damage: .recover succeeds" equals "$(cat "$work/page.rc")" 0
expect "page damage: most rows recovered" between "$(sqlite3 "$work/page-recovered.db" 'SELECT count(*) FROM user_t;' 2>/dev/null || echo 0)" 2500 3000
cp "$db" "$work/cut.db" && truncate_db "$work/cut.db" 70
recover cut "$work/cut.db"
expect "truncated: .recover succeeds" equals "$(cat "$work/cut.rc")" 0
expect "truncated: the rows before the cut recovered" between "$(sqlite3 "$work/cut-recovered.db" 'SELECT count(*) FROM user_t;' 2>/dev/null || echo 0)" 1000 2999

# -safe: reads and writes the database, refuses what reaches outside it.
expect "-safe: queries work" equals "$(sqlite3 -safe "$db" 'SELECT count(*) FROM user_t;' 2>&1)" 3000
expect "-safe: .recover works" bash -c "sqlite3 -safe '$db' .recover | sqlite3 '$work/safe.db' && [ \"\$(sqlite3 '$work/safe.db' 'SELECT count(*) FROM user_t;')\" = 3000 ]"
safe_refuses() { ! sqlite3 -safe "$db" "$1" > "$work/safe.out" 2>&1 && ! [ -e "$work/escaped" ]; }
expect "-safe: .shell refused" safe_refuses ".shell touch $work/escaped"
expect "-safe: .output to a file refused" safe_refuses ".output $work/escaped"
expect "-safe: ATTACH refused" safe_refuses "ATTACH '$work/escaped' AS other;"
expect "without -safe, .shell runs (the refusals above are the option's)" \
  bash -c "sqlite3 '$db' '.shell touch $work/escaped' && [ -e '$work/escaped' ]"

finish
