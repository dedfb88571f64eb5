#!/usr/bin/env bash
# Benchmark: time from starting a stick's pendant-tool on the simulated
# pendant to its first dialog (the upgrade question, answered 取消), for a
# stick of the workstation's processor and for one `arm` stick (both
# runtimes) under qemu on an ARMv7 and on older ARM pendants, the
# workstation's ARM libraries hidden. The launcher picks armhf on the
# Cortex-A9 and armel on the ARM926 and ARM1176. Prints each round, the
# medians and their ratio to the host's.
#   tools/bench-stick.sh [ROUNDS]     (default 5)
# Needs the dialog robot of each processor: the workstation build
# (tools/setup.sh) and the armhf and armel builds (tools/setup.sh --target
# armhf / armel, or just their pendant_robot_preload target).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
. "$top/tools/lib/bench.sh"
. "$top/tools/lib/sim.sh"
work=$(mktemp -d /tmp/bench-stick.XXXXXX)
trap 'rm -rf "$work"' EXIT

# case | stick | QEMU_CPU (empty: the workstation's) | robot's build
cases=$(cat <<'CASES'
host|host||build
cortex-a9|arm|cortex-a9|build-armhf
arm926|arm|arm926|build-armel
arm1176|arm|arm1176|build-armel
CASES
)
while IFS='|' read -r name stick cpu build; do
  [ -f "$top/$build/tests/libpendant_robot_preload.so" ] ||
    { echo "build first: $top/$build/tests/libpendant_robot_preload.so is missing" >&2; exit 1; }
done <<<"$cases"

# The sticks, built in the folders the stick tests of those builds use.
"$top/tools/make-stick" --build "$top/build/stick-build" host 127.0.0.2 "$work/stick-host" 2>/dev/null | tail -n 1
"$top/tools/make-stick" arm 127.0.0.2 "$work/stick-arm" 2>/dev/null | tail -n 1

# one CASE STICK CPU BUILD ROUND: milliseconds from the launcher's start to
# the first dialog.
one() {
  local name=$1 stick=$2 cpu=$3 build=$4 r=$5 prefix=() options=()
  if [ -n "$cpu" ]; then
    prefix=("$top/tools/emulate" armhf)
    options=(--cpu "$cpu" --hide /usr/lib/arm-linux-gnueabihf --hide /usr/arm-linux-gnueabihf
             --hide /lib/ld-linux-armhf.so.3 --hide /usr/arm-linux-gnueabi)
  fi
  sim_prefix=(${prefix[@]+"${prefix[@]}"})
  with_robot "$top/$build/tests/libpendant_robot_preload.so" 取消 "$work/$name-$r.log" "" "$work/sim-$name-$r" \
    ${options[@]+"${options[@]}"} -- \
    sh -c 'date +%s%3N > "$1"; exec "$2" "$3"' sh "$work/$name-$r.start" "$work/stick-$stick/pendant-tool" \
    "$work/stick-$stick" >"$work/$name-$r.out" 2>&1
  local first
  first=$(grep -m1 -o '"epoch_ms":[0-9]*' "$work/$name-$r.log" | cut -d: -f2)
  echo $((first - $(cat "$work/$name-$r.start")))
}

declare -A med
while IFS='|' read -r name stick cpu build; do
  for r in $(seq "$rounds"); do one "$name" "$stick" "$cpu" "$build" "$r"; done > "$work/$name.ms"
  runtime=$(grep -o 'runtime [a-z0-9]*$' "$work/stick-$stick/pendant-tool.log" 2>/dev/null | tail -n 1)
  echo "$name: $(tr '\n' ' ' < "$work/$name.ms")ms (${runtime:-runtime host})"
  med[$name]=$(median $(cat "$work/$name.ms"))
done <<<"$cases"
echo -n "median time to the first dialog:"
while IFS='|' read -r name _; do echo -n " $name ${med[$name]} ms"; done <<<"$cases"; echo
while IFS='|' read -r name _; do
  [ "$name" = host ] || echo "ratio $name/host: $(ratio "${med[$name]}" "${med[host]}")"
done <<<"$cases"
