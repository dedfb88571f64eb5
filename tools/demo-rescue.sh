#!/usr/bin/env bash
# demo-rescue: shows a database repair on a simulated pendant that has been
# upgraded before (its scratch folder holds the controller's dravon.db).
#
#   tools/demo-rescue.sh SCRATCH [BUILD_DIR]      (BUILD_DIR default: build)
#
# Damages the controller's dravon.db (an index that no longer matches its
# table), builds a rescue stick (tools/make-stick host, with the rescue_mode
# marker), runs the tool on the simulated pendant answering "修复",
# and prints what changed: the integrity check before and after, the bad
# backup and dump files, and the boxes shown (screenshots in
# SCRATCH/demo-rescue/shots).
set -euo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
top=$(dirname "$here")
. "$here/lib/damage-db.sh"
. "$here/lib/sim.sh"
. "$here/lib/stick.sh"

die() { echo "demo-rescue: $*" >&2; exit 2; }
[ $# -ge 1 ] || { sed -n '5p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
scratch=$(realpath -m -- "$1")
build=$(realpath -m -- "${2:-$top/build}")
robot=$build/tests/libpendant_robot_preload.so
# The sqlite3 shell that goes on the technician's stick.
sqlite3=$build/sqlite3/sqlite3
share=$scratch/controller/export/home/ostrel/nfs_space
db=$share/dravon.db
[ -f "$robot" ] && [ -x "$sqlite3" ] || die "build the tool first ($robot, $sqlite3)"
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
mkdir -p "$demo"
echo "== building the rescue stick (tools/make-stick host)"
rescue_stick "$demo/stick" "$build" || die "the stick could not be built, see $demo/stick.make-stick.log"

echo "== running the tool in rescue mode, answering 修复"
with_robot "$robot" "修复" "$demo/dialogs.jsonl" "$demo/shots" "$scratch" -- "$demo/stick/pendant-tool" \
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
