#!/usr/bin/env bash
# Repair and salvage on the simulated pendant, with the stick's own sqlite3,
# over a corpus of controller databases damaged as flash storage and power
# cuts damage them. For every case: the damaged original is kept; the
# database is either as it was or replaced by a file that holds every
# table and passes the integrity check; and where .recover by hand keeps at
# least half of the rows, the repair ends repaired or salvaged. Prints the
# table of damage, outcome and rows kept.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
. "$here/lib/tool.sh"
e2e_begin salvage
command -v sqlite3 >/dev/null || skip_all "sqlite3 is not installed (tools/setup.sh)"
. "$here/lib/rescue.sh"
. "$top/tools/lib/controller-db.sh"
. "$top/tools/lib/damage-db.sh"

shell=${PENDANT_SQLITE3:-$top/build/sqlite3/sqlite3}
stick=$work/stick
tool_stick "$stick"
sound=$work/sound.db
controller_db "$sound" full

# rows FILE: the rows of the required tables that FILE can count.
rows() {
  local t n total=0
  for t in "${REQUIRED_TABLES[@]}"; do
    n=$(sqlite3 -readonly "$1" "SELECT count(*) FROM $t;" 2>/dev/null) || n=0
    total=$((total + ${n:-0}))
  done
  echo "$total"
}
sound_file() {
  [ "$(sqlite3 -readonly "$1" 'PRAGMA integrity_check;' 2>&1)" = ok ] &&
    [ -z "$(for t in "${REQUIRED_TABLES[@]}"; do
              sqlite3 -readonly "$1" "SELECT 1 FROM sqlite_master WHERE type='table' AND name='$t';" | grep -q 1 || echo "$t"
            done)" ]
}
percent() { echo $(( $1 * 100 / $2 )); }
original=$(rows "$sound")

table=$'| damage | outcome | rows kept |\n|---|---|---|'
unchanged_or_sound() { [ "$1" = unchanged ] || sound_file "$2"; }
not_refused() { [ "$1" != refused ]; }

# corpus NAME LABEL DAMAGE [ARGS...]: damages a copy of the sound database
# with the function DAMAGE (damage-db.sh), repairs it on the pendant, checks
# the outcome and adds a line to the table.
corpus() {
  local name=$1 label=$2; shift 2
  local db before outcome kept by_hand
  db=$(share "$name" /dravon.db)
  mkdir -p "$(share "$name")"
  cp "$sound" "$db"
  "$1" "$db" "${@:2}"
  before=$work/$name.before
  cp "$db" "$before"
  # What .recover keeps when run by hand.
  "$shell" "$before" .recover 2>/dev/null | "$shell" -safe "$work/$name.recovered" 2>/dev/null
  by_hand=$(percent "$(rows "$work/$name.recovered")" "$original")

  rescue "$name" "修复" "$stick"
  local last; last=$(box_texts "$name" | tail -n 1)
  case $last in
    *已修复*) outcome=repaired ;;
    *已抢救*) outcome=salvaged ;;
    *) outcome=refused ;;
  esac
  if cmp -s "$db" "$before"; then kept="unchanged"; else kept="$(percent "$(rows "$db")" "$original") %"; fi
  table+=$'\n'"| $label | $outcome | $kept (.recover by hand: $by_hand %) |"

  expect "$name: the damaged original is kept" cmp -s "$(share "$name")"/dravon.db.badbak.* "$before"
  expect "$name: as it was, or sound and whole" unchanged_or_sound "$kept" "$db"
  [ "$by_hand" -lt 50 ] || expect "$name: .recover keeps $by_hand %, so it ends repaired or salvaged" \
    not_refused "$outcome"
}

corpus leaf "garbage in a table's leaf page" garble_page system_log_t leaf
corpus interior "garbage in a table's interior page" garble_page system_log_t internal
corpus torn "a torn (zeroed) page" tear_page io_params_t
corpus truncated "file cut to 60 %" truncate_db
corpus header "zeroed file header" zero_header
corpus overflow "broken overflow chain" break_overflow robot_ontology_params_t
corpus index "index damage" damage_index io_params_t
corpus junk "no database at all" not_a_database

echo "$table"
finish
