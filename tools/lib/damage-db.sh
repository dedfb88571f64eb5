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

# page_of DB TABLE TYPE: the middle page of TABLE's b-tree of the kind TYPE
# (leaf, internal or overflow), by its number; empty when it has none.
page_of() {
  sqlite3 "$1" "SELECT pageno FROM dbstat WHERE name = '$2' AND pagetype = '$3' ORDER BY pageno
                LIMIT 1 OFFSET (SELECT count(*) / 2 FROM dbstat WHERE name = '$2' AND pagetype = '$3');"
}

# fill_page DB PAGE CHAR: overwrites page number PAGE with the byte CHAR
# (as tr takes it), the way a worn flash block or a torn write leaves it.
fill_page() {
  local db=$1 page=$2 char=$3 page_size
  page_size=$(sqlite3 "$db" 'PRAGMA page_size;')
  head -c "$page_size" /dev/zero | tr '\0' "$char" |
    dd of="$db" bs="$page_size" seek=$((page - 1)) conv=notrunc status=none
}

# garble_page DB TABLE TYPE: garbage over a page of TABLE (see page_of).
garble_page() { fill_page "$1" "$(page_of "$1" "$2" "$3")" '\245'; }

# tear_page DB TABLE: a leaf page of TABLE that was never written: zeros.
tear_page() { fill_page "$1" "$(page_of "$1" "$2" leaf)" '\0'; }

# zero_header DB: zeros over the 100-byte file header.
zero_header() {
  head -c 100 /dev/zero | dd of="$1" conv=notrunc status=none
}

# break_overflow DB TABLE: the middle overflow page of TABLE points on to a
# page far past the end of the file.
break_overflow() {
  local db=$1 page page_size
  page=$(page_of "$db" "$2" overflow)
  page_size=$(sqlite3 "$db" 'PRAGMA page_size;')
  printf '\177\377\377\360' | dd of="$db" bs=1 seek=$(( (page - 1) * page_size )) conv=notrunc status=none
}
