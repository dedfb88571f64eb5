#!/usr/bin/env bash
# Benchmark: the repair of a damaged controller database of about 200 MB
# on the simulated pendant, which ends in a salvage, against the same
# commands run by a plain shell script in the same run: the integrity
# check, the kept copy, the dump, the .recover pipeline, the integrity
# check of its result, the row counts and the copy into place, as the
# tool's run log lists them. The tool's time is from the start of the
# repair to its report (its own table audits and counting included); the
# script's is the replay alone. Prints each round and the ratios
# tool/script, for the whole repair and for the .recover pipeline alone.
#   tools/bench-salvage.sh [SIZE_MB] [ROUNDS]     (default 200 MB, 3 rounds)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-200}
rounds=${2:-3}
build=$top/build
robot=$build/tests/libpendant_robot_preload.so
shell=$build/sqlite3/sqlite3
[ -f "$robot" ] && [ -x "$shell" ] || { echo "build first: tools/setup.sh" >&2; exit 1; }
. "$top/tools/lib/bench.sh"
. "$top/tools/lib/controller-db.sh"
. "$top/tools/lib/damage-db.sh"
. "$top/tools/lib/sim.sh"
. "$top/tools/lib/stick.sh"

work=$(mktemp -d /tmp/bench-salvage.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Some 260 kB a unit of scale, with the log table's index.
controller_db "$work/damaged.db" full $(( size * 1000 / 260 ))
garble_page "$work/damaged.db" system_log_t leaf
echo "database: $(( $(stat -c %s "$work/damaged.db") / 1000000 )) MB, one log page garbled"
# The stick a technician gets, with the rescue_mode marker.
stick=$work/stick
rescue_stick "$stick" "$build"

share() { echo "$work/$1/controller/export/home/ostrel/nfs_space"; }

run_tool() {
  mkdir -p "$(share "tool$r")"
  cp "$work/damaged.db" "$(share "tool$r")/dravon.db"
  rm -f "$stick/pendant-tool.log"
  with_robot "$robot" "修复" "$work/r$r.log" "" "$work/tool$r" -- "$stick/pendant-tool" >/dev/null 2>&1
  jq -e -s 'any(.[]; .kind == "box" and (.text | contains("已抢救部分数据")))' "$work/r$r.log" >/dev/null ||
    { echo "round $r: the tool did not salvage" >&2; exit 1; }
  local from to
  from=$(jq -s '[.[] | select(.kind == "progress" and .label == "开始修复流程...")][0].epoch_ms' "$work/r$r.log")
  to=$(jq -s '[.[] | select(.kind == "box" and (.text | contains("已抢救部分数据")))][0].epoch_ms' "$work/r$r.log")
  tool_ms=$(( to - from ))
  # The repair's commands as the tool ran them, and the pipeline's time.
  sed -n '/chmod a+x/,$p' "$stick/pendant-tool.log" | grep ' command \[' | sed 's/^[^]]*\] //' > "$work/salvage$r.sh"
  tool_recover_ms=$(grep -F '".recover"' "$stick/pendant-tool.log" | sed 's/.*exit [0-9]*, \([0-9]*\) ms.*/\1/')
}

run_script() {
  # The same starting point: the damaged database alone.
  mkdir -p "$(share "script$r")"
  cp "$work/damaged.db" "$(share "script$r")/dravon.db"
  # Each command through sh -c, as the tool's runner starts them.
  cat > "$work/replay$r.sh" <<SCRIPT
/bin/mount -t nfs -o nolock 127.0.0.2:/home/ostrel/nfs_space /home/ostrel/nfs_space
sync
start=\$(date +%s%N)
while IFS= read -r cmd; do
  before=\$(date +%s%N)
  sh -c "\$cmd" >/dev/null 2>&1 </dev/null
  case \$cmd in
    *'".recover"'*) echo \$(( (\$(date +%s%N) - before) / 1000000 )) > "$work/script$r.recover" ;;
  esac
done < "$work/salvage$r.sh"
echo \$(( (\$(date +%s%N) - start) / 1000000 )) > "$work/script$r.ms"
SCRIPT
  "$sim_lib_top/tools/pendant-sim/pendant-sim" run --scratch "$work/script$r" -- sh "$work/replay$r.sh" >/dev/null 2>&1
  script_ms=$(cat "$work/script$r.ms")
  script_recover_ms=$(cat "$work/script$r.recover")
}

tools=() scripts=() tool_recovers=() script_recovers=()
for r in $(seq 1 "$rounds"); do
  # The script replays the tool's commands of the same round; the page
  # cache is dropped before each, so that neither finds it warmed.
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
  run_tool
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
  run_script
  printf 'round %d: tool %d ms (.recover %d ms); script %d ms (.recover %d ms)\n' \
    "$r" "$tool_ms" "$tool_recover_ms" "$script_ms" "$script_recover_ms"
  tools+=("$tool_ms"); scripts+=("$script_ms"); tool_recovers+=("$tool_recover_ms"); script_recovers+=("$script_recover_ms")
  rm -rf "$work/tool$r" "$work/script$r"
done
tm=$(median "${tools[@]}"); sm=$(median "${scripts[@]}")
trm=$(median "${tool_recovers[@]}"); srm=$(median "${script_recovers[@]}")
echo "median: tool $tm ms, script $sm ms; .recover pipeline: tool $trm ms, script $srm ms"
echo "ratio tool/script: $(ratio "$tm" "$sm") for the repair, $(ratio "$trm" "$srm") for the .recover pipeline"
