#!/usr/bin/env bash
# The real pendant-tool runs forced upgrades on the simulated pendant with
# the real commands; the files on the pendant and on the controller's
# exports are checked afterwards.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"

. "$here/lib/tool.sh"
e2e_begin upgrade


"$top/tools/make-package" sample "$work/src" >/dev/null
"$top/tools/make-package" build "$work/src" "$work/tesma.zip" >/dev/null
"$top/tools/make-package" sample "$work/src-min" --minimal >/dev/null
"$top/tools/make-package" build "$work/src-min" "$work/tesma-min.zip" >/dev/null

# run NAME ANSWERS STICK [pendant-sim options...]: upgrade from STICK in a
# fresh scratch folder $work/NAME.
run() {
  local name=$1 answers=$2 stick=$3
  shift 3
  sim_run "$name" "$answers" "$@" -- "$tool" "$stick"
}

stick_with() {  # stick_with DIR PACKAGE
  mkdir -p "$1" && cp "$2" "$1/tesma.zip"
}

executable_same() { [ -x "$1" ] && cmp -s "$1" "$2"; }

# 1. A full package from a stick whose path holds blanks and shell characters.
#    Its RC brings a folder the workspace share already has, and a hidden
#    file; its HMI_Lib a subfolder and a hidden file beside the libraries.
stick="$work/usb stick \$(touch $work/pwned);'x'"
cp -r "$work/src" "$work/src-full"
mkdir -p "$work/src-full/RC/conf" "$work/src-full/HMI_Lib/plugins"
echo new > "$work/src-full/RC/conf/default.cfg"
echo hidden > "$work/src-full/RC/.rc_notes"
echo plugin > "$work/src-full/HMI_Lib/plugins/libplugin.so"
echo hidden > "$work/src-full/HMI_Lib/.keep"
(mkdir -p "$work/full-pkg/tesma" && cp -r "$work/src-full/." "$work/full-pkg/tesma/" &&
  cd "$work/full-pkg" && zip -qr "$work/full.zip" tesma)
stick_with "$stick" "$work/full.zip"
# An earlier run left an old robot_model.zip and staging files behind.
mkdir -p "$(export_of full /home/ostrel/nfs_space)/tmp/tesma"
echo stale > "$(export_of full /home/ostrel/nfs_space)/tmp/tesma/stale-file"
# The controller's own files on the workspace share.
mkdir -p "$(export_of full /home/ostrel/workspace)/conf"
echo old > "$(export_of full /home/ostrel/workspace)/conf/default.cfg"
echo site > "$(export_of full /home/ostrel/workspace)/conf/site.cfg"
echo own > "$(export_of full /home/ostrel/workspace)/controller.log"
run full "确定" "$stick"
expect "full: success box" has_box full '升级成功，请手动重启系统！'
expect "full: nothing ran from the path" absent "$work/pwned"
expect "full: Zivad-ADE installed, executable" executable_same "$(pendant full /root/workspace/Zivad-ADE)" "$work/src/Zivad-ADE/Zivad-ADE"
expect "full: Upgrade installed, executable" executable_same "$(pendant full /root/workspace/Upgrade)" "$work/src/Zivad-ADE/Upgrade"
libs_ok() { local f; for f in "$work/src/HMI_Lib"/*; do [ -f "$f" ] || continue; cmp -s "$f" "$(pendant full /usr/lib)/$(basename "$f")" || return 1; done; }
expect "full: libraries in /usr/lib" libs_ok
expect "full: sqlite3 in /usr/bin, executable" executable_same "$(pendant full /usr/bin/sqlite3)" "$work/src/sqlite3"
expect "full: db_upgrade.sh executable, not run" executable_same "$(pendant full /root/workspace/db_upgrade.sh)" "$work/src/db_upgrade.sh"
expect "full: pictures copied" diff -r "$(pendant full /root/workspace/pictures)" "$work/src/pictures"
expect "full: robot_control equals the package's RC" diff -r "$(export_of full /home/ostrel/nfs_space/robot_control)" "$work/src-full/RC"
expect "full: dravon on the workspace share" executable_same "$(export_of full /home/ostrel/workspace/dravon)" "$work/src/RC/dravon"
expect "full: dravon_4 on the workspace share" executable_same "$(export_of full /home/ostrel/workspace/dravon_4)" "$work/src/RC/dravon_4"
expect "full: the package's conf file replaces the share's" cmp -s "$(export_of full /home/ostrel/workspace/conf/default.cfg)" "$work/src-full/RC/conf/default.cfg"
expect "full: the controller's own conf file stays" equals "$(cat "$(export_of full /home/ostrel/workspace/conf/site.cfg)")" site
expect "full: the controller's own file stays" equals "$(cat "$(export_of full /home/ostrel/workspace/controller.log)")" own
expect "full: hidden RC entry not on the workspace share" absent "$(export_of full /home/ostrel/workspace/.rc_notes)"
expect "full: no temporary folder left on the workspace share" absent "$(export_of full /home/ostrel/workspace/.RC.upgrading)"
expect "full: HMI_Lib subfolder not copied" absent "$(pendant full /usr/lib/plugins)"
expect "full: controller database is the package's" cmp -s "$(export_of full /home/ostrel/nfs_space/dravon.db)" "$work/src/dravon.db"
models_ok() { (cd "$work" && mkdir -p models && unzip -qo "$work/src/robot_model.zip" -d models) && diff -r "$work/models/robot_model" "$(export_of full /home/ostrel/nfs_space/robot_model)"; }
expect "full: robot_model.zip unpacked on the data share" models_ok
expect "full: staging directory gone" absent "$(export_of full /home/ostrel/nfs_space/tmp)"
expect "full: staged package gone" absent "$(export_of full /home/ostrel/nfs_space/tesma.zip)"
expect "full: staged robot_model.zip gone" absent "$(export_of full /home/ostrel/nfs_space/robot_model.zip)"
expect "full: the package stays on the stick" cmp -s "$stick/tesma.zip" "$work/full.zip"
expect "full: two status debug lines" equals "$(grep -cE '^[0-9]+ $' "$work/full.out")" 2
expect "full: host /root/workspace untouched" absent "/root/workspace/Upgrade"
expect "full: screenshots saved" test -n "$(ls "$shots/full" 2>/dev/null)"

# 2. Minimal package, shares already mounted by an earlier run.
stick_with "$work/min-stick" "$work/tesma-min.zip"
run minimal "确定" "$work/min-stick" --premount
expect "minimal: success box" has_box minimal '升级成功，请手动重启系统！'
expect "minimal: Zivad-ADE installed" executable_same "$(pendant minimal /root/workspace/Zivad-ADE)" "$work/src-min/Zivad-ADE/Zivad-ADE"
expect "minimal: no sqlite3 installed" absent "$(pendant minimal /usr/bin/sqlite3)"

# 3. Cancel: nothing changes.
stick_with "$work/cancel-stick" "$work/tesma.zip"
run cancel "取消" "$work/cancel-stick"
expect "cancel: one box only" equals "$(box_count cancel)" 1
expect "cancel: nothing installed" absent "$(pendant cancel /root/workspace/Upgrade)"
expect "cancel: nothing staged" absent "$(export_of cancel /home/ostrel/nfs_space/tesma.zip)"

# 4. A silent controller: the data share cannot be mounted, nothing lands
#    on the pendant's own disk.
stick_with "$work/silent-stick" "$work/tesma.zip"
run silent "确定" "$work/silent-stick" --controller silent
expect "silent: mount warning" has_box silent 'mount /home/ostrel/nfs_space failed!'
expect "silent: nothing copied to the mount point" absent "$(pendant silent /home/ostrel/nfs_space/tesma.zip)"
expect "silent: nothing installed" absent "$(pendant silent /root/workspace/Upgrade)"

# 5. The controller refuses the workspace export.
stick_with "$work/refused-stick" "$work/tesma.zip"
run refused "确定" "$work/refused-stick" --refuse-export /home/ostrel/workspace
expect "refused: workspace mount warning" has_box refused 'mount /home/ostrel/workspace failed!'
expect "refused: nothing installed" absent "$(pendant refused /root/workspace/Upgrade)"

# 6. A damaged package, with staging files of an earlier run lying in wait:
#    the unpack fails and nothing is installed from the old files.
head -c 4000 "$work/tesma.zip" > "$work/broken.zip"
stick_with "$work/broken-stick" "$work/broken.zip"
mkdir -p "$(export_of broken /home/ostrel/nfs_space)/tmp"
(cd "$(export_of broken /home/ostrel/nfs_space)/tmp" && unzip -q "$work/tesma.zip")
run broken "确定" "$work/broken-stick"
expect "broken: package refused before the copy" has_box broken '升级包tesma.zip不可用：无法读取压缩包目录。\n未安装任何文件。'
expect "broken: old staging files not installed" absent "$(pendant broken /root/workspace/Upgrade)"

# 6b. A package whose first, middle or last member is damaged (its data,
#     not the directory): whatever unzip answers, the unpacked files are
#     checked against the directory, the package is refused naming the
#     member, and nothing is installed.
# damage_member ZIP WHICH: flips bytes in the data of the first, middle or
# last file of ZIP; prints that member's name.
damage_member() {
  python3 - "$1" "$2" <<'PY'
import struct, sys, zipfile
path, which = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(path) as z:
    files = [i for i in z.infolist() if not i.is_dir() and i.compress_size > 0]
member = {"first": files[0], "middle": files[len(files) // 2], "last": files[-1]}[which]
with open(path, "r+b") as f:
    f.seek(member.header_offset + 26)
    name_len, extra_len = struct.unpack("<HH", f.read(4))
    at = member.header_offset + 30 + name_len + extra_len + member.compress_size // 2
    f.seek(at)
    byte = f.read(1)
    f.seek(at)
    f.write(bytes([byte[0] ^ 0x5a]))
print(member.filename)
PY
}
for which in first middle last; do
  cp "$work/tesma.zip" "$work/damaged-$which.zip"
  member=$(damage_member "$work/damaged-$which.zip" "$which")
  stick_with "$work/damaged-$which-stick" "$work/damaged-$which.zip"
  run "damaged-$which" "确定" "$work/damaged-$which-stick"
  expect "damaged $which member: refused naming $member" \
    has_box "damaged-$which" "升级包tesma.zip不可用：解压后的$member已损坏（大小或CRC校验不符）。\n未安装任何文件。"
  expect "damaged $which member: HMI not installed" absent "$(pendant "damaged-$which" /root/workspace/Upgrade)"
  expect "damaged $which member: controller programs untouched" absent "$(export_of "damaged-$which" /home/ostrel/workspace/dravon)"
done

# 7. A package without dravon.db installs nothing.
cp -r "$work/src" "$work/src-nodb" && rm "$work/src-nodb/dravon.db"
(cd "$work/src-nodb" && mkdir -p ../nodb/tesma && cp -r . ../nodb/tesma/ && cd ../nodb && zip -qr "$work/nodb.zip" tesma)
stick_with "$work/nodb-stick" "$work/nodb.zip"
run nodb "确定" "$work/nodb-stick"
expect "nodb: warning names dravon.db" has_box nodb 'Can not find file dravon.db in zip files!'
expect "nodb: HMI not installed" absent "$(pendant nodb /root/workspace/Upgrade)"
expect "nodb: controller programs untouched" absent "$(export_of nodb /home/ostrel/workspace/dravon)"

# 8. Package missing from the stick.
mkdir -p "$work/empty-stick"
run missing "确定" "$work/empty-stick"
expect "missing: package-missing box" has_box missing '无法找到tesma.zip文件！'

# 9. The job is chosen by a marker beside the executable: with one, no
#    upgrade dialog appears (rescue mode runs); a hidden or extended name is
#    no marker. Every outcome ends with exit status 0.
marker_run() {  # marker_run NAME MARKER [dir]
  local name=$1 marker=$2 kind=${3:-file}
  mkdir -p "$work/$name-tool"
  cp "$tool" "$work/$name-tool/pendant-tool"
  if [ "$kind" = dir ]; then mkdir "$work/$name-tool/$marker"; else : > "$work/$name-tool/$marker"; fi
  stick_with "$work/$name-stick" "$work/tesma.zip"
  sim_run "$name" "取消" --controller unreachable -- "$work/$name-tool/pendant-tool" "$work/$name-stick"
}
marker_run marker-file rescue_mode
expect "marker file: no upgrade box" never_mentions marker-file 强制升级
marker_run marker-dir RESCUE_MODE dir
expect "marker directory in capitals: no upgrade box" never_mentions marker-dir 强制升级
marker_run hidden-marker .rescue_mode
expect "hidden marker: upgrade box" mentions hidden-marker 强制升级
marker_run marker-ext rescue_mode.txt
expect "marker with extension: upgrade box" mentions marker-ext 强制升级

finish
