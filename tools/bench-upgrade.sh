#!/usr/bin/env bash
# Benchmark: a full forced upgrade of a package of about 100 MB on the
# simulated pendant, against the commands the tool's own run log lists for
# that run, replayed by a plain shell script (each through sh -c, as the
# tool starts them) on a fresh pendant in the same round: the same work
# without the tool. Prints each round and the ratios tool/replay, for the
# whole run (start to exit) and for the tool's work alone (from the
# confirmation to the end of the clean-up, without the robot's answers).
#   tools/bench-upgrade.sh [SIZE_MB] [ROUNDS]     (default 100 MB, 5 rounds)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
size=${1:-100}
rounds=${2:-5}
build=$top/build
tool=$build/src/pendant-tool
robot=$build/tests/libpendant_robot_preload.so
[ -x "$tool" ] && [ -f "$robot" ] || { echo "build first: tools/setup.sh" >&2; exit 1; }
. "$top/tools/lib/bench.sh"
. "$top/tools/lib/sim.sh"

work=$(mktemp -d /tmp/bench-upgrade.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$top/tools/make-package" sample "$work/src" --size-mb "$size" >/dev/null
"$top/tools/make-package" build "$work/src" "$work/tesma.zip" >/dev/null
echo "package: $(du -m "$work/tesma.zip" | cut -f1) MB"

# Inside the simulated pendant: times one command (wall clock, peak memory)
# and writes "start_ns elapsed_ms peak_kb" to the given file.
cat > "$work/timed.sh" <<'SCRIPT'
out=$1; shift
start=$(date +%s%N)
/usr/bin/time -f '%e %M' -o "$out.time" "$@" >/dev/null 2>&1
end=$(date +%s%N)
echo "$start $(( (end - start) / 1000000 )) $(cut -d' ' -f2 "$out.time")" > "$out"
SCRIPT

# A fresh stick each round: the tool with the package, as a technician
# carries it; the tool writes its run log beside itself.
run_tool() {
  rm -rf "$work/stick"; mkdir -p "$work/stick"
  cp "$tool" "$work/tesma.zip" "$work/stick/"
  with_robot "$robot" "确定" "$work/r$r.log" "" "$work/tool$r" -- \
    bash "$work/timed.sh" "$work/tool$r.txt" "$work/stick/pendant-tool" "$work/stick" >/dev/null 2>&1
  # The commands as the tool ran them, in order.
  grep ' command \[' "$work/stick/pendant-tool.log" | sed 's/^[^]]*\] //' > "$work/commands$r.txt"
}
run_replay() {  # run_replay ROUND_OF_THE_COMMANDS
  cat > "$work/replay$r.sh" <<SCRIPT
while IFS= read -r cmd; do sh -c "\$cmd" >/dev/null 2>&1 </dev/null; done < "$work/commands$1.txt"
SCRIPT
  "${sim_lib_top}/tools/pendant-sim/pendant-sim" run --scratch "$work/replay$r" -- \
    bash "$work/timed.sh" "$work/replay$r.txt" sh "$work/replay$r.sh" >/dev/null 2>&1
}

tool_ms=() work_ms=() replay_ms=() all_r=() work_r=()
for r in $(seq 1 "$rounds"); do
  # The replay repeats the commands of this round's tool run, or in even
  # rounds (which replay first) the previous round's, so that neither always
  # runs first; the page cache is dropped before each, so that neither
  # finds it warmed by the other.
  drop() { sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true; }
  if [ $((r % 2)) = 1 ]; then
    drop; run_tool; drop; run_replay "$r"
  else
    drop; run_replay $((r - 1)); drop; run_tool
  fi
  read -r t_start t_ms t_kb < "$work/tool$r.txt"
  read -r _ s_ms s_kb < "$work/replay$r.txt"
  first=$(jq -s '[.[] | select(.kind == "box")][0].epoch_ms' "$work/r$r.log")
  # The tool's own work: from the user's "确定" to the end of the clean-up.
  done_ms=$(jq -s '[.[] | select(.kind == "progress" and .value == 100)][0].epoch_ms' "$work/r$r.log")
  w_ms=$(( done_ms - first ))
  jq -e -s 'any(.[]; .kind == "box" and (.text | startswith("升级成功")))' "$work/r$r.log" >/dev/null ||
    { echo "round $r: the upgrade did not succeed" >&2; exit 1; }
  printf 'round %d: tool %d ms in all, %d ms of work (peak %d KB, first dialog after %d ms); replay of its %d commands %d ms (peak %d KB)\n' \
    "$r" "$t_ms" "$w_ms" "$t_kb" "$(( first - t_start / 1000000 ))" "$(wc -l < "$work/commands$r.txt")" "$s_ms" "$s_kb"
  tool_ms+=("$t_ms"); work_ms+=("$w_ms"); replay_ms+=("$s_ms")
  all_r+=("$(round_ratio "$t_ms" "$s_ms")"); work_r+=("$(round_ratio "$w_ms" "$s_ms")")
  rm -rf "$work/tool$r" "$work/replay$r"
done
tm=$(median "${tool_ms[@]}"); wm=$(median "${work_ms[@]}"); sm=$(median "${replay_ms[@]}")
echo "median: tool $tm ms in all, $wm ms of work; replay $sm ms"
echo "ratio tool/replay: $(ratio "$tm" "$sm") in all, $(ratio "$wm" "$sm") for the work alone"
# On a loaded machine a round's two runs share its load: the median of the
# rounds' own ratios.
echo "median of the rounds' ratios: $(thousandths "$(median "${all_r[@]}")") in all, $(thousandths "$(median "${work_r[@]}")") for the work alone"
