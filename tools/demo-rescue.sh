#!/usr/bin/env bash
# demo-rescue: shows a database repair on a simulated pendant that has been
# upgraded before (its scratch folder holds the controller's dravon.db).
#
#   tools/demo-rescue.sh SCRATCH [BUILD_DIR]      (BUILD_DIR default: build)
#
# Damages the controller's dravon.db (an index that no longer matches its
# table), puts a copy of the tool with the rescue_mode marker and sqlite3 on
# a stick folder, runs the tool on the simulated pendant answering "修复",
# and prints what changed: the integrity check before and after, the bad
# backup and dump files, and the boxes shown (screenshots in
# SCRATCH/demo-rescue/shots).
set -euo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
top=$(dirname "$here")
. "$here/lib/damage-db.sh"

die() { echo "demo-rescue: $*" >&2; exit 2; }
[ $# -ge 1 ] || { sed -n '5p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
scratch=$(realpath -m -- "$1")
build=$(realpath -m -- "${2:-$top/build}")
tool=$build/src/pendant-tool
robot=$build/tests/libpendant_robot_preload.so
# The sqlite3 shell that goes on the technician's stick.
sqlite3=$build/sqlite3/sqlite3
share=$scratch/controller/export/home/ostrel/nfs_space
db=$share/dravon.db
[ -x "$tool" ] && [ -f "$robot" ] && [ -x "$sqlite3" ] || die "build the tool first ($tool, $robot, $sqlite3)"
[ -f "$db" ] || die "no controller database in $share: run an upgrade on this scratch folder first"

integrity() { "$sqlite3" "$1" 'PRAGMA integrity_check;' 2>&1 | head -n 3 | sed 's/^/    /'; }
files() { (cd "$share" && { ls -l --time-style=+ dravon.db* dravon_dump.db 2>/dev/null || true; } | awk '{print "    " $5 "\t" $NF}'); }

echo "== controller database before the damage"
integrity "$db"
damage_index "$db" user_t
echo "== after damaging an index (integrity check, first lines)"
integrity "$db"
echo "== files on the data share before the repair"
files

demo=$scratch/demo-rescue
rm -rf "$demo"
mkdir -p "$demo/stick"
cp "$tool" "$demo/stick/pendant-tool"
cp "$sqlite3" "$demo/stick/sqlite3"
: > "$demo/stick/rescue_mode"

echo "== running the tool in rescue mode, answering 修复"
LD_PRELOAD=$robot PENDANT_ROBOT_ANSWERS="修复" PENDANT_ROBOT_LOG="$demo/dialogs.jsonl" \
  PENDANT_ROBOT_SHOTS="$demo/shots" \
  "$top/tools/pendant-sim/pendant-sim" run --scratch "$scratch" -- "$demo/stick/pendant-tool" \
  >"$demo/tool.out" 2>&1 || die "the run failed, see $demo/tool.out"
jq -r 'select(.kind != "progress") | "    [\(.title)] \(.text // "" | gsub("\n"; " "))"' "$demo/dialogs.jsonl"

echo "== files on the data share after the repair"
files
echo "== controller database after the repair"
integrity "$db"
if cmp -s "$db" "$share/dravon_dump.db"; then
  echo "    dravon.db is the rebuilt dump; the damaged file is kept as $(cd "$share" && ls -t dravon.db.badbak.* | head -n 1)"
fi
echo "== the run log on the stick ($demo/stick/pendant-tool.log)"
sed 's/^/    /' "$demo/stick/pendant-tool.log"
echo "== screenshots in $demo/shots"
