# Controller-like databases: dravon.db with every required table, as the
# sample package and the repair tests and benchmarks use it. Source this
# file; it needs the sqlite3 shell.
# shellcheck shell=bash

# shellcheck source=required-tables.sh
. "$(dirname "${BASH_SOURCE[0]}")/required-tables.sh"

# controller_db DB [full [SCALE]]: writes a new database at DB with every
# required table. Plain: the sample package's database, 1500 log rows in
# system_log_t and a few rows of settings, some 330 kB. full: a database as
# a pendant in use has it: rows in a dozen tables, SCALE times 1500 log rows
# (default 1), robot parameters of 20 kB each (they span overflow chains)
# and two indexes; about 1 MB at scale 1, 140 kB more per unit of SCALE.
controller_db() {
  local db=$1 kind=${2:-plain} scale=${3:-1} sql t
  sql="PRAGMA page_size = 4096;"
  for t in "${REQUIRED_TABLES[@]}"; do
    case $t in
      sqlite_sequence) ;;
      system_log_t) sql+="CREATE TABLE system_log_t (id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT, level INTEGER, message TEXT);" ;;
      user_t) sql+="CREATE TABLE user_t (id INTEGER PRIMARY KEY, name TEXT, level INTEGER);" ;;
      *) sql+="CREATE TABLE $t (id INTEGER PRIMARY KEY, name TEXT, value TEXT);" ;;
    esac
  done
  [ "$kind" != full ] ||
    sql+="CREATE INDEX io_name_idx ON io_params_t(name); CREATE INDEX log_time_idx ON system_log_t(time);"
  sql+="INSERT INTO user_t (name, level) VALUES ('operator', 1), ('engineer', 2), ('admin', 3);"
  sql+="INSERT INTO tool_t (name, value) VALUES ('tool0', '0,0,0,0,0,0');"
  sql+="INSERT INTO frame_t (name, value) VALUES ('base', '0,0,0,0,0,0');"
  # Enough log rows to make the file well over 100 kB, as a used pendant's is.
  sql+="WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500 * $scale)
        INSERT INTO system_log_t (time, level, message)
        SELECT datetime('2024-01-01', '+' || i || ' minutes'), i % 3,
               'sample log entry ' || i || ' ' || hex(randomblob(40)) FROM n;"
  if [ "$kind" = full ]; then
    local rows
    for rows in io_params_t:400 signal_content_t:200 global_variables_t:200 system_variable_t:200 \
                panasonic_error_map_t:300 tronix_error_map_t:300 adtech_error_map_t:300 \
                tsinodynatron_error_map_t:300 wobj_t:20 load_t:20 task_t:10 pallet_conf_t:10; do
      sql+="WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${rows#*:})
            INSERT INTO ${rows%:*} (name, value) SELECT '${rows%:*} ' || i, hex(randomblob(20)) FROM n;"
    done
    sql+="WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6)
          INSERT INTO robot_ontology_params_t (name, value) SELECT 'axis ' || i, hex(randomblob(10000)) FROM n;"
  fi
  sqlite3 "$db" "$sql"
}
