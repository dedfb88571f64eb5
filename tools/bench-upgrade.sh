#!/usr/bin/env bash
# Benchmark: a full forced upgrade of a package of about 100 MB on the
# simulated pendant, against the same command list run by a plain shell
# script in the same run. Prints each round and the ratio tool/script.
#   tools/bench-upgrade.sh [SIZE_MB] [ROUNDS]     (default 100 MB, 3 rounds)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-100}
rounds=${2:-3}
build=$top/build
tool=$build/src/pendant-tool
robot=$build/tests/libpendant_robot_preload.so
sim=$top/tools/pendant-sim/pendant-sim
[ -x "$tool" ] && [ -f "$robot" ] || { echo "build first: tools/setup.sh" >&2; exit 1; }

work=$(mktemp -d /tmp/bench-upgrade.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$top/tools/make-package" sample "$work/src" --size-mb "$size" >/dev/null
mkdir -p "$work/stick"
"$top/tools/make-package" build "$work/src" "$work/stick/tesma.zip" >/dev/null
echo "package: $(du -m "$work/stick/tesma.zip" | cut -f1) MB"

# The commands the tool runs for a full package, as one plain script.
cat > "$work/baseline.sh" <<SCRIPT
/bin/mount -t nfs -o nolock 127.0.0.2:/home/ostrel/nfs_space /home/ostrel/nfs_space
/bin/mount -t nfs -o nolock 127.0.0.2:/home/ostrel/workspace /home/ostrel/workspace
/bin/cp -rf $work/stick/tesma.zip /home/ostrel/nfs_space/
/bin/rm -rf /home/ostrel/nfs_space/tmp
/bin/mkdir -p /home/ostrel/nfs_space/tmp
sync
/usr/bin/unzip -o /home/ostrel/nfs_space/tesma.zip -d /home/ostrel/nfs_space/tmp/
/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/Zivad-ADE//* /root/workspace/
sync
/bin/chmod a+x /root/workspace/Zivad-ADE
/bin/chmod a+x /root/workspace/Upgrade
/bin/cp -f /home/ostrel/nfs_space/tmp/tesma/HMI_Lib/* /usr/lib
sync
/bin/rm -rf /home/ostrel/nfs_space/robot_control
/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/RC/ /home/ostrel/nfs_space/robot_control
/bin/rm -rf /home/ostrel/workspace/dravon  /home/ostrel/workspace/dravon_4
/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/RC//* /home/ostrel/workspace/
/bin/sync
/bin/chmod a+x /home/ostrel/workspace/dravon
/bin/chmod a+x /home/ostrel/workspace/dravon_4
/bin/cp /home/ostrel/nfs_space/tmp/tesma/dravon.db /home/ostrel/nfs_space/
sync
/bin/cp /home/ostrel/nfs_space/tmp/tesma/db_upgrade.sh /root/workspace
/bin/sync
/bin/chmod a+x /root/workspace/db_upgrade.sh
/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/pictures /root/workspace
/bin/sync
/bin/cp /home/ostrel/nfs_space/tmp/tesma/sqlite3 /usr/bin
/bin/sync
/bin/chmod a+x /usr/bin/sqlite3
/bin/cp /home/ostrel/nfs_space/tmp/tesma/robot_model.zip /home/ostrel/nfs_space/ 
/bin/sync
/bin/mkdir -p /home/ostrel/nfs_space/robot_model
sync
/usr/bin/unzip -o /home/ostrel/nfs_space/robot_model.zip -d /home/ostrel/nfs_space/
sync
/bin/rm -rf /home/ostrel/nfs_space/tmp
sync
/bin/rm /home/ostrel/nfs_space/tesma.zip /home/ostrel/nfs_space/robot_model.zip
sync
SCRIPT

# Inside the simulated pendant: times one command (wall clock, peak memory)
# and writes "start_ns elapsed_s peak_kb" to the given file.
cat > "$work/timed.sh" <<'SCRIPT'
out=$1; shift
start=$(date +%s%N)
/usr/bin/time -f '%e %M' -o "$out.time" "$@" >/dev/null 2>&1
end=$(date +%s%N)
echo "$start $(( (end - start) / 1000000 )) $(cut -d' ' -f2 "$out.time")" > "$out"
SCRIPT

run_tool() {
  LD_PRELOAD=$robot PENDANT_ROBOT_ANSWERS="确定" PENDANT_ROBOT_LOG="$work/r$r.log" \
    "$sim" run --scratch "$work/tool$r" -- bash "$work/timed.sh" "$work/tool$r.txt" "$tool" "$work/stick"
}
run_script() {
  "$sim" run --scratch "$work/script$r" -- bash "$work/timed.sh" "$work/script$r.txt" sh "$work/baseline.sh"
}

# Each round runs both on fresh scratch folders, in alternating order so
# that neither always finds the page cache warmed by the other.
tool_ms=() work_ms=() script_ms=()
for r in $(seq 1 "$rounds"); do
  if [ $((r % 2)) = 1 ]; then run_tool; run_script; else run_script; run_tool; fi
  sync
  read -r t_start t_ms t_kb < "$work/tool$r.txt"
  read -r _ s_ms s_kb < "$work/script$r.txt"
  first=$(jq -s '[.[] | select(.kind == "box")][0].epoch_ms' "$work/r$r.log")
  first_dialog_ms=$(( first - t_start / 1000000 ))
  # The tool's own work: from the user's "确定" to the end of the clean-up,
  # without the user's reaction times to the two boxes.
  done_ms=$(jq -s '[.[] | select(.kind == "progress" and .value == 100)][0].epoch_ms' "$work/r$r.log")
  w_ms=$(( done_ms - first ))
  jq -e -s 'any(.[]; .kind == "box" and (.text | startswith("升级成功")))' "$work/r$r.log" >/dev/null ||
    { echo "round $r: the upgrade did not succeed" >&2; exit 1; }
  printf 'round %d: tool %d ms in all, %d ms of work (peak %d KB, first dialog after %d ms); script %d ms (peak %d KB)\n' \
    "$r" "$t_ms" "$w_ms" "$t_kb" "$first_dialog_ms" "$s_ms" "$s_kb"
  tool_ms+=("$t_ms"); work_ms+=("$w_ms"); script_ms+=("$s_ms")
  [ -n "${KEEP_LOGS:-}" ] && jq -c "[.kind, .value, .ms]" "$work/r$r.log" | paste -sd" " - 
  rm -rf "$work/tool$r" "$work/script$r"
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
tm=$(median "${tool_ms[@]}"); wm=$(median "${work_ms[@]}"); sm=$(median "${script_ms[@]}")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
echo "median: tool $tm ms in all, $wm ms of work; script $sm ms"
echo "ratio tool/script: $(ratio "$tm" "$sm") in all, $(ratio "$wm" "$sm") for the work alone"
