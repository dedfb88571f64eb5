#!/usr/bin/env bash
# Sets everything up and runs the tool's main job, a forced upgrade, on the
# simulated pendant: builds the tool and a sample tesma.zip, then runs the
# real pendant-tool with its dialogs answered automatically, and prints what
# changed on the pendant and on the controller's shares; then damages the
# controller's database and repairs it with the tool in rescue mode.
#   tools/demo.sh [WORK_DIR]     (default: /tmp/pendant-demo; emptied first)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/pendant-demo}
build=$top/build
. "$top/tools/lib/sim.sh"

[ "$(id -u)" = 0 ] || { echo "demo: run as root (namespaces, mounts)" >&2; exit 1; }
"$top/tools/setup.sh" "$build"

rm -rf "$work"
mkdir -p "$work"
sim=$work/sim
stick=$work/usb-stick
shots=$work/screenshots

echo
echo "== Sample package"
"$top/tools/make-package" sample "$work/package-src" >/dev/null
mkdir -p "$stick"
# The tool goes on the stick beside the package, as a technician carries it;
# its run log lands there too.
cp "$build/src/pendant-tool" "$stick/pendant-tool"
"$top/tools/make-package" build "$work/package-src" "$stick/tesma.zip"
"$top/tools/make-package" check "$stick/tesma.zip"

# Lay out the simulated pendant and give the controller an older release.
"$top/tools/pendant-sim/pendant-sim" run --scratch "$sim" -- true
old=$sim/controller/export/home/ostrel
mkdir -p "$old/nfs_space/robot_control"
echo "dravon 1.0 (old)" > "$old/nfs_space/robot_control/dravon"
echo "old database" > "$old/nfs_space/dravon.db"
echo "dravon 1.0 (old)" > "$old/workspace/dravon"
echo "project of the customer" > "$old/workspace/project.txt"

# One line per file: "<place> <path> <checksum>", for the pendant's own disk
# (what the overlays hold) and for the controller's two exports.
snapshot() {
  (cd "$sim/pendant/upper" && find . -type f -exec sha1sum {} + | sed 's|^\([0-9a-f]*\)  \.|pendant \1 |')
  (cd "$sim/controller/export" && find . -type f -exec sha1sum {} + | sed 's|^\([0-9a-f]*\)  \.|controller \1 |')
}
snapshot | sort -k3 > "$work/before.txt"

echo
echo "== Forced upgrade on the simulated pendant (controller ${CONTROLLER_ADDRESS:-127.0.0.2})"
with_robot "$build/tests/libpendant_robot_preload.so" "确定" "$work/dialogs.jsonl" "$shots" "$sim" -- \
  "$stick/pendant-tool" "$stick" > "$work/tool-stdout.txt" 2> "$work/tool-stderr.txt" && status=0 || status=$?
echo "exit status: $status"

echo
echo "== What the tool showed"
jq -r 'if .kind == "progress" then "  progress \(.value)%  \(.label)"
       else "  \(.kind) [\(.title)] \(.text | gsub("\n"; " / "))  -> \(.clicked)" end' "$work/dialogs.jsonl" | uniq

snapshot | sort -k3 > "$work/after.txt"
echo
echo "== What changed (+ added, ~ changed, - removed)"
join -j 3 -a 1 -a 2 -e none -o 0,1.1,1.2,2.1,2.2 "$work/before.txt" "$work/after.txt" |
  awk '{ place = ($2 == "none") ? $4 : $2 }
       $3 == "none" { print "  + " place ":" $1; next }
       $5 == "none" { print "  - " place ":" $1; next }
       $3 != $5     { print "  ~ " place ":" $1 }'
echo
echo "Debug lines of the tool: $(grep -cE '^[0-9]+ $' "$work/tool-stderr.txt" || true) (statuses: $(grep -E '^[0-9]+ $' "$work/tool-stderr.txt" | tr -d ' ' | paste -sd, -))"
echo "Screenshots of every dialog: $shots"

echo
echo "== The run log the tool left on the stick ($stick/pendant-tool.log)"
sed 's/^/  /' "$stick/pendant-tool.log"

echo
echo "== Rescue mode: repair of a damaged controller database on the same pendant"
"$top/tools/demo-rescue.sh" "$sim" "$build"
