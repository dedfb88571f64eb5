#!/usr/bin/env bash
# Benchmark: time from starting a stick's pendant-tool on the simulated
# pendant to its first dialog (the upgrade question, answered 取消), for a
# stick of the workstation's processor and the armhf stick under qemu with
# the workstation's ARM libraries hidden. Prints each round, the medians and
# the ratio armhf/host.
#   tools/bench-stick.sh [ROUNDS]     (default 5)
# Needs the workstation build (tools/setup.sh) and the armhf build
# (tools/setup.sh --target armhf) for the dialog robot of each processor.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
declare -A robot=([host]=$top/build/tests/libpendant_robot_preload.so
                  [armhf]=$top/build-armhf/tests/libpendant_robot_preload.so)
for t in host armhf; do
  [ -f "${robot[$t]}" ] || { echo "build first: ${robot[$t]} is missing" >&2; exit 1; }
done
. "$top/tools/lib/bench.sh"
. "$top/tools/lib/sim.sh"
work=$(mktemp -d /tmp/bench-stick.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The sticks, built in the folders the stick tests of those builds use.
declare -A stick_build=([host]=$top/build/stick-build [armhf]=$top/build-armhf/stick-build)
for t in host armhf; do
  "$top/tools/make-stick" --build "${stick_build[$t]}" "$t" 127.0.0.2 "$work/stick-$t" 2>/dev/null | tail -n 1
done

# one TARGET ROUND: milliseconds from the launcher's start to the first dialog.
one() {
  local t=$1 r=$2 hide=()
  sim_prefix=()
  if [ "$t" = armhf ]; then
    sim_prefix=("$top/tools/emulate" armhf)
    hide=(--hide /usr/lib/arm-linux-gnueabihf --hide /usr/arm-linux-gnueabihf --hide /lib/ld-linux-armhf.so.3)
  fi
  with_robot "${robot[$t]}" 取消 "$work/$t-$r.log" "" "$work/sim-$t-$r" "${hide[@]}" -- \
    sh -c 'date +%s%3N > "$1"; exec "$2" "$3"' sh "$work/$t-$r.start" "$work/stick-$t/pendant-tool" "$work/stick-$t" \
    >/dev/null 2>&1
  local first
  first=$(grep -m1 -o '"epoch_ms":[0-9]*' "$work/$t-$r.log" | cut -d: -f2)
  echo $((first - $(cat "$work/$t-$r.start")))
}

declare -A med
for t in host armhf; do
  for r in $(seq "$rounds"); do one "$t" "$r"; done > "$work/$t.ms"
  echo "$t: $(tr '\n' ' ' < "$work/$t.ms")ms"
  mapfile -t ms < "$work/$t.ms"
  med[$t]=$(median "${ms[@]}")
done
echo "median time to the first dialog: host ${med[host]} ms, armhf under qemu ${med[armhf]} ms"
awk -v a="${med[armhf]}" -v h="${med[host]}" 'BEGIN { printf "ratio armhf/host: %.1f\n", a / h }'
