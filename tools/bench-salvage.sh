#!/usr/bin/env bash
# Benchmark: the repair of a damaged controller database of about 200 MB
# on the simulated pendant, which ends in a salvage, from the stick
# tools/make-stick builds, against the commands the tool's run log lists
# (the mount check's, the integrity check, the kept copy, the dump, the
# .recover pipeline, the integrity check of its result, the row counts and
# the copy into place) replayed by a plain shell script in the same round.
# Prints each round and the ratios tool/replay: the whole run (start to
# exit, against the whole replay), the repair alone (from its first
# progress step to its report, its own table audits and counting included,
# against the replay from the shell's chmod on) and the .recover pipeline.
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

# Inside the simulated pendant: the wall time of one command, in ms, into a file.
cat > "$work/timed.sh" <<'SCRIPT'
out=$1; shift
start=$(date +%s%N)
"$@" >/dev/null 2>&1
echo $(( ($(date +%s%N) - start) / 1000000 )) > "$out"
SCRIPT

run_tool() {
  mkdir -p "$(share "tool$r")"
  cp "$work/damaged.db" "$(share "tool$r")/dravon.db"
  rm -f "$stick/pendant-tool.log"
  with_robot "$robot" "修复" "$work/r$r.log" "" "$work/tool$r" -- \
    sh "$work/timed.sh" "$work/tool$r.all" "$stick/pendant-tool" >/dev/null 2>&1
  jq -e -s 'any(.[]; .kind == "box" and (.text | contains("已抢救部分数据")))' "$work/r$r.log" >/dev/null ||
    { echo "round $r: the tool did not salvage" >&2; exit 1; }
  local from to
  from=$(jq -s '[.[] | select(.kind == "progress" and .label == "开始修复流程...")][0].epoch_ms' "$work/r$r.log")
  to=$(jq -s '[.[] | select(.kind == "box" and (.text | contains("已抢救部分数据")))][0].epoch_ms' "$work/r$r.log")
  tool_all_ms=$(cat "$work/tool$r.all")
  tool_ms=$(( to - from ))
  # Every command as the tool ran it (the mount check's included), and the
  # pipeline's time.
  grep ' command \[' "$stick/pendant-tool.log" | sed 's/^[^]]*\] //' > "$work/salvage$r.sh"
  tool_recover_ms=$(grep -F '".recover"' "$stick/pendant-tool.log" | sed 's/.*exit [0-9]*, \([0-9]*\) ms.*/\1/')
}

run_script() {
  # The same starting point: the damaged database alone.
  mkdir -p "$(share "script$r")"
  cp "$work/damaged.db" "$(share "script$r")/dravon.db"
  # Each command through sh -c, as the tool's runner starts them; the
  # repair's own part begins with the chmod of the stick's shell.
  cat > "$work/replay$r.sh" <<SCRIPT
start=\$(date +%s%N)
while IFS= read -r cmd; do
  before=\$(date +%s%N)
  case \$cmd in */bin/chmod\ a+x*) repair=\$before ;; esac
  sh -c "\$cmd" >/dev/null 2>&1 </dev/null
  case \$cmd in
    *'".recover"'*) echo \$(( (\$(date +%s%N) - before) / 1000000 )) > "$work/script$r.recover" ;;
  esac
done < "$work/salvage$r.sh"
end=\$(date +%s%N)
echo \$(( (end - start) / 1000000 )) > "$work/script$r.all"
echo \$(( (end - repair) / 1000000 )) > "$work/script$r.ms"
SCRIPT
  "$sim_lib_top/tools/pendant-sim/pendant-sim" run --scratch "$work/script$r" -- sh "$work/replay$r.sh" >/dev/null 2>&1
  script_all_ms=$(cat "$work/script$r.all")
  script_ms=$(cat "$work/script$r.ms")
  script_recover_ms=$(cat "$work/script$r.recover")
}

all_r=() repair_r=() recover_r=() alls=() script_alls=() tools=() scripts=() tool_recovers=() script_recovers=()
for r in $(seq 1 "$rounds"); do
  # The script replays the tool's commands of the same round; the page
  # cache is dropped before each, so that neither finds it warmed.
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
  run_tool
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
  run_script
  printf 'round %d: tool %d ms in all, %d ms of repair (.recover %d ms); replay %d ms in all, %d ms of repair (.recover %d ms)\n' \
    "$r" "$tool_all_ms" "$tool_ms" "$tool_recover_ms" "$script_all_ms" "$script_ms" "$script_recover_ms"
  alls+=("$tool_all_ms"); script_alls+=("$script_all_ms")
  all_r+=("$(round_ratio "$tool_all_ms" "$script_all_ms")"); repair_r+=("$(round_ratio "$tool_ms" "$script_ms")")
  recover_r+=("$(round_ratio "$tool_recover_ms" "$script_recover_ms")")
  tools+=("$tool_ms"); scripts+=("$script_ms"); tool_recovers+=("$tool_recover_ms"); script_recovers+=("$script_recover_ms")
  rm -rf "$work/tool$r" "$work/script$r"
done
am=$(median "${alls[@]}"); sam=$(median "${script_alls[@]}")
tm=$(median "${tools[@]}"); sm=$(median "${scripts[@]}")
trm=$(median "${tool_recovers[@]}"); srm=$(median "${script_recovers[@]}")
echo "median: tool $am ms in all, $tm ms of repair; replay $sam ms in all, $sm ms of repair; .recover pipeline: tool $trm ms, replay $srm ms"
echo "ratio tool/replay: $(ratio "$am" "$sam") in all, $(ratio "$tm" "$sm") for the repair alone, $(ratio "$trm" "$srm") for the .recover pipeline"
# On a loaded machine a round's two runs share its load: the median of the
# rounds' own ratios.
echo "median of the rounds' ratios: $(thousandths "$(median "${all_r[@]}")") in all, $(thousandths "$(median "${repair_r[@]}")") for the repair alone, $(thousandths "$(median "${recover_r[@]}")") for the .recover pipeline"
