# Ways to damage an SQLite database in place, as a controller's dravon.db
# gets damaged in the field. Source this file; each function takes the
# database file and needs the sqlite3 shell.
# shellcheck shell=bash

# The index lookup_idx is declared over another column than its entries
# hold: PRAGMA integrity_check reports "row N missing from index lookup_idx"
# for every row, while the tables themselves stay readable.
damage_index() {
  local db=$1 table=${2:-user_t}
  sqlite3 "$db" "DROP INDEX IF EXISTS lookup_idx; CREATE INDEX lookup_idx ON $table(name);
                 PRAGMA writable_schema=ON;
                 UPDATE sqlite_master SET sql='CREATE INDEX lookup_idx ON $table(id, name)' WHERE name='lookup_idx';"
}

# Overwrites the page in the middle of the file (table data) with a
# pattern that is no valid b-tree page.
damage_page() {
  local db=$1 page_size pages
  page_size=$(sqlite3 "$db" 'PRAGMA page_size;')
  pages=$(( $(stat -c %s "$db") / page_size ))
  head -c "$page_size" /dev/zero | tr '\0' '\245' |
    dd of="$db" bs="$page_size" seek=$((pages / 2)) conv=notrunc status=none
}

# Cuts the file to PERCENT of its size (default 60).
truncate_db() {
  local db=$1 percent=${2:-60}
  truncate -s $(( $(stat -c %s "$db") * percent / 100 )) "$db"
}

# Replaces the file by SIZE bytes (default 150000) that are no database.
not_a_database() {
  local db=$1 size=${2:-150000}
  head -c "$size" /dev/zero | tr '\0' 'x' > "$db"
}
