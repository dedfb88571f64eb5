#!/usr/bin/env bash
# Field faults on the simulated pendant with the real tool and commands: a
# controller disk too small for the package, a tool killed while the new
# database is being written, packages that would reach outside their
# targets or plant shell commands, a package folder starting with '-', a
# sqlite3 that cannot run, and a database copy that fails. Whatever
# happens, the tool must never say it succeeded when it did not, and the
# controller's database must be the old one or the new one, never cut.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
. "$top/tools/lib/damage-db.sh"

. "$here/lib/tool.sh"
e2e_begin faults
command -v sqlite3 >/dev/null || skip_all "sqlite3 is not installed (tools/setup.sh)"
. "$here/lib/rescue.sh"

mp=$top/tools/make-package
success='升级成功，请手动重启系统！'
"$mp" sample "$work/src" --size-mb 12 >/dev/null
"$mp" build "$work/src" "$work/tesma.zip" >/dev/null

# old_controller NAME: the controller of run NAME holds an older release.
old_controller() {
  local share; share=$(export_of "$1" /home/ostrel/nfs_space)
  mkdir -p "$share/robot_control" "$(export_of "$1" /home/ostrel/workspace)"
  cp "$work/src/dravon.db" "$share/dravon.db"
  sqlite3 "$share/dravon.db" "CREATE TABLE old_release(v); INSERT INTO old_release VALUES (1);"
  cp "$share/dravon.db" "$work/$1.old.db"
  echo "dravon 1.0" > "$share/robot_control/dravon"
}
stick_with() { mkdir -p "$1" && cp "$2" "$1/tesma.zip"; }
old_or_new() {  # old_or_new NAME: dravon.db is whole, and the old or the new one
  local db; db=$(export_of "$1" /home/ostrel/nfs_space/dravon.db)
  [ "$(sqlite3 "$db" 'PRAGMA integrity_check;')" = ok ] &&
    { cmp -s "$db" "$work/$1.old.db" || cmp -s "$db" "$work/src/dravon.db"; }
}
pendant_untouched() { [ -z "$(find "$(pendant "$1" /usr/lib)" "$(pendant "$1" /usr/bin)" -type f 2>/dev/null)" ]; }

# 1. Data shares from too small to large enough: a share too small for the
#    package is refused before anything is copied; whatever the size, the
#    success box comes only with everything installed, and the database is
#    the old or the new one, whole.
stick_with "$work/stick" "$work/tesma.zip"
for mb in 16 24 28 32 40 120; do
  name=disk$mb
  old_controller "$name"
  sim_run "$name" "确定" --share-size "$mb" -- "$tool" "$work/stick"
  share=$(export_of "$name" /home/ostrel/nfs_space)
  expect "$name MB: database whole, old or new" old_or_new "$name"
  if has_box "$name" "$success"; then
    echo "    $name MB: upgraded"
    expect "$name MB: the new database in place" cmp -s "$share/dravon.db" "$work/src/dravon.db"
    expect "$name MB: the old database kept" cmp -s "$(ls "$share"/dravon.db.before_upgrade.* | head -n 1)" "$work/$name.old.db"
    expect "$name MB: robot_control is the package's" diff -r "$share/robot_control" "$work/src/RC"
    expect "$name MB: no temporary names left" test -z "$(find "$(export_of "$name" /)" -name '*.upgrading' -o -name '.rc_upgrading' -o -name '*.replaced.*')"
  else
    echo "    $name MB: $(box_texts "$name" | tail -n 1)"
    expect "$name MB: old database intact" cmp -s "$share/dravon.db" "$work/$name.old.db"
    expect "$name MB: old robot_control intact" grep -qx "dravon 1.0" "$share/robot_control/dravon"
  fi
done
expect "16 MB: says how much is needed and free" has_box_starting disk16 '存储空间不足，无法升级。\n位置：/home/ostrel/nfs_space\n需要'
expect "16 MB: nothing installed on the pendant" pendant_untouched disk16
expect "120 MB: upgraded" has_box disk120 "$success"

# 2. The tool is killed while the new database is being copied: a large
#    database, and kills after several delays.
"$mp" sample "$work/bigsrc" >/dev/null
sqlite3 "$work/bigsrc/dravon.db" "CREATE TABLE ballast(b); INSERT INTO ballast
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000) SELECT randomblob(1000) FROM n;"
"$mp" build "$work/bigsrc" "$work/big.zip" >/dev/null
stick_with "$work/bigstick" "$work/big.zip"
cp "$work/bigsrc/dravon.db" "$work/src/big.db"
killer='tool=$1; stick=$2; delay=$3; "$tool" "$stick" & pid=$!
unset LD_PRELOAD
while [ ! -e /home/ostrel/nfs_space/dravon.db.upgrading ] && kill -0 $pid 2>/dev/null; do sleep 0.005; done
sleep "$delay"; kill -9 $pid; wait $pid 2>/dev/null; sleep 1; exit 0'
for delay in 0 0.05 0.2 1; do
  name=kill$delay
  old_controller "$name"
  sim_run "$name" "确定" -- bash -c "$killer" bash "$tool" "$work/bigstick" "$delay"
  db=$(export_of "$name" /home/ostrel/nfs_space/dravon.db)
  has_box "$name" "$success" && echo "    killed after ${delay}s: the upgrade had already ended"
  expect "killed after ${delay}s: database is whole, old or new" \
    bash -c '[ "$(sqlite3 "$1" "PRAGMA integrity_check;")" = ok ] && { cmp -s "$1" "$2" || cmp -s "$1" "$3"; }' \
    _ "$db" "$work/$name.old.db" "$work/src/big.db"
done

# 3. Packages that reach outside their targets or plant shell commands:
#    refused by the tool, nothing installed anywhere, and refused for the
#    same reason by the package builder's check.
hostile() {  # hostile NAME MAKE: MAKE runs in a copy of the package source
  local name=$1 reason
  mkdir -p "$work/$name-src/tesma" && cp -a "$work/src/." "$work/$name-src/tesma/"
  (cd "$work/$name-src/tesma" && eval "$2") && (cd "$work/$name-src" && zip -qry "$work/$name.zip" .)
  expect "$name: make-package check refuses it" bash -c '! "$1" check "$2" > "$3"' _ \
    "$top/tools/make-package" "$work/$name.zip" "$work/$name.check"
  reason=$(sed -n 's/^FAIL [^:]*: //p' "$work/$name.check" | head -n 1)
  stick_with "$work/$name-stick" "$work/$name.zip"
  old_controller "$name"
  sim_run "$name" "确定" -- "$tool" "$work/$name-stick"
  expect "$name: package refused" has_box_starting "$name" '升级包tesma.zip不可用：'
  expect "$name: the tool gives the check's reason (${reason:-none})" mentions "$name" "${reason:-no reason}"
  expect "$name: old database intact" cmp -s "$(export_of "$name" /home/ostrel/nfs_space/dravon.db)" "$work/$name.old.db"
  expect "$name: nothing installed on the pendant" pendant_untouched "$name"
  expect "$name: no planted file" absent "$(pendant "$name" /root/planted)"
}
hostile link 'rm -rf HMI_Lib && ln -s /usr/lib HMI_Lib'
hostile models 'mkdir -p m/robot_model m/workspace && echo a > m/robot_model/a && echo hacked > m/dravon.db &&
  rm -f robot_model.zip && (cd m && zip -qr ../robot_model.zip robot_model dravon.db) && rm -r m'
hostile dotted "sqlite3 -cmd 'PRAGMA writable_schema=1' dravon.db \"CREATE TABLE evil(a);
  UPDATE sqlite_master SET sql='CREATE TABLE evil(a);'||char(10)||'.shell touch /root/planted' WHERE name='evil';\""
hostile backslash 'mkdir -p m/robot_model && echo a > m/robot_model/a && echo hacked > "m/robot_model/..\\dravon.db" &&
  rm -f robot_model.zip && (cd m && zip -qr ../robot_model.zip robot_model) && rm -r m'
hostile carriage "sqlite3 -cmd 'PRAGMA writable_schema=1' dravon.db \"CREATE TABLE evil(a);
  UPDATE sqlite_master SET sql='CREATE TABLE evil(a);'||char(10)||char(13)||'.shell touch /root/planted' WHERE name='evil';\""

# 3b. Harmless entries beside tesma/ (a README.txt, the __MACOSX/ folder some
#     zip tools add) are ignored: the package installs, and they are gone
#     with the staging folder.
mkdir -p "$work/stray-src/tesma" "$work/stray-src/__MACOSX/tesma" && cp -a "$work/src/." "$work/stray-src/tesma/"
echo stray > "$work/stray-src/README.txt" && echo meta > "$work/stray-src/__MACOSX/tesma/._dravon.db"
(cd "$work/stray-src" && zip -qry "$work/stray.zip" .)
stick_with "$work/stray-stick" "$work/stray.zip"
old_controller stray
sim_run stray "确定" -- "$tool" "$work/stray-stick"
expect "stray entries: upgraded" has_box stray "$success"
expect "stray entries: nothing of them left on the controller" \
  test -z "$(find "$(export_of stray /)" -name README.txt -o -name __MACOSX)"

# 4. A package folder whose name starts with '-' is a path, not an option.
mkdir -p "$work/dash" && stick_with "$work/dash/-stick" "$work/tesma.zip"
old_controller dash
pushd "$work/dash" >/dev/null && sim_run dash "确定" -- "$tool" -stick; popd >/dev/null
expect "-stick: upgraded from the folder" has_box dash "$success"

# 5. A sqlite3 on the stick that cannot run: the database is left alone.
for kind in folder foreign; do
  name=shell-$kind
  tool_stick "$work/$name-stick"
  rm -f "$work/$name-stick/sqlite3"
  # A log that cannot be written changes nothing either.
  [ "$kind" = folder ] && mkdir "$work/$name-stick/pendant-tool.log"
  if [ "$kind" = folder ]; then mkdir "$work/$name-stick/sqlite3"
  else { printf '\177ELF\001\001\001'; head -c 3000 /dev/urandom; } > "$work/$name-stick/sqlite3"; fi
  mkdir -p "$(share "$name")" && cp "$work/src/dravon.db" "$(share "$name" /dravon.db)"
  damage_index "$(share "$name" /dravon.db)"
  cp "$(share "$name" /dravon.db)" "$work/$name.before"
  rescue "$name" "修复" "$work/$name-stick"
  expect "sqlite3 is a $kind: says it cannot run here" has_box "$name" 'U盘中的数据库恢复工具(sqlite3)无法在本示教器上运行。\n数据库未改变。'
  expect "sqlite3 is a $kind: database unchanged, no backup or dump" \
    bash -c 'cmp -s "$1" "$2" && [ -z "$(ls "$3" | grep -E "badbak|dump")" ]' _ "$(share "$name" /dravon.db)" "$work/$name.before" "$(share "$name")"
done

# 6. A repair of a database whose table hides '.shell': never run.
tool_stick "$work/plant-stick"
mkdir -p "$(share plant)" && cp "$work/src/dravon.db" "$(share plant /dravon.db)"
damage_index "$(share plant /dravon.db)"
sqlite3 "$(share plant /dravon.db)" "PRAGMA writable_schema=ON; CREATE TABLE evil(a);
  UPDATE sqlite_master SET sql='CREATE TABLE evil(a);'||char(10)||'.shell touch /root/planted' WHERE name='evil';"
cp "$(share plant /dravon.db)" "$work/plant.before"
rescue plant "修复" "$work/plant-stick"
expect "planted .shell: never run" absent "$(pendant plant /root/planted)"
expect "planted .shell: a box" test "$(box_count plant)" -ge 2
# The dump stops at the line; the salvage leaves out the table, whose text
# is no table's.
expect "planted .shell: the damaged file kept" cmp -s "$(share plant)"/dravon.db.badbak.* "$work/plant.before"
expect "planted .shell: salvaged without the table" equals \
  "$(sqlite3 "$(share plant /dravon.db)" "PRAGMA integrity_check; SELECT count(*) FROM sqlite_master WHERE name='evil';")" $'ok\n0'

# 7. The run log on the stick: the job, each command with its status and
#    time, each box with the button pressed, and the end.
log=$work/plant-stick/pendant-tool.log
expect "run log: the job" grep -q ' start: rescue mode$' "$log"
expect "run log: commands with status and time" grep -qE ' command \[exit 0, [0-9]+ ms\] /bin/chmod a\+x ' "$log"
expect "run log: the menu box and the answer" grep -qF '程序进入抢救模式！ / 请选择抢救流程： -> 修复' "$log"
expect "run log: the end" test "$(tail -n 1 "$log" | cut -d' ' -f3-)" = end

finish
