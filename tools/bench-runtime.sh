#!/usr/bin/env bash
# Benchmark: what the `arm` stick's runtimes cost a small, slow pendant,
# for the stick that REF (default: main) builds ("before") and the one
# this tree builds ("after"), in one run. For each runtime (armhf on a
# Cortex-A9, armel on an ARM926), under qemu on the simulated pendant:
#   size     the runtime folder (.pendant-tool/ABI), MB
#   noexec   the RAM a start from a noexec stick takes: the runtime and
#            sqlite3 copied to a tmpfs, as the launcher does, MB used there
#   read     the bytes of the stick paged in from the launch to the first
#            dialog (answered 取消, the tool then ends): the stick is an
#            ext2 image on a loop device of this script's own, in a private
#            mount namespace, mounted afresh before each start (so nothing
#            of it is cached), and fincore counts its files' pages after.
#            The loop device reads ahead READ_AHEAD_KB (default 128, what
#            a pendant's kernel gives a USB disk; a loop device here may
#            default to MBs, which pages in whole libraries on the first
#            fault). Twice: as from a USB 2.0 port, where the launcher
#            keeps that, and as from a USB 1.1 port, where the stick's
#            launcher lowers it for the start (start_read_ahead_kb) and
#            the loop device is set so here (the launcher itself leaves
#            it, the loop device being no USB disk)
#   requests the read requests the stick's device served in that time
#            (what a slow port charges for besides the bytes)
#   first    ms from the launch to the first dialog (median of ROUNDS),
#            both ways, with the start's reads from the stick limited to
#            a port's speed (a block I/O cgroup): USB2_BPS (default
#            20000000, a USB 2.0 stick on a small ARM board) and USB1_BPS
#            (default 1000000, a full-speed port) bytes a second. The
#            limit charges bytes only: a real port adds a few ms a request
#            (its command and status), which this does not.
# and the ratio after/before of each. The whole stick's size too.
#   tools/bench-runtime.sh [ROUNDS [REF [TARGET]]]   (default 3, main, arm;
#                                           armhf or armel: that stick alone)
# Needs the armhf and armel builds (tools/setup.sh --target armhf / armel):
# their dialog robots, and their stick-build folders, which this tree's
# stick is built in (as the stick tests do). REF's is built from scratch.
set -euo pipefail
top=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
. "$top/tools/lib/bench.sh"
. "$top/tools/lib/sim.sh"

# __start IMAGE KB BPS MOUNT LOG ROBOT SCRATCH [pendant-sim options...]: (in
# a private mount namespace) one start of the stick in IMAGE, read ahead KB,
# mounted at MOUNT, the start's reads from it limited to BPS bytes a second
# (a block I/O cgroup of its own); prints the ms to the first dialog, the
# bytes of the stick in the page cache after, and the read requests the
# stick's device served.
if [ "${1:-}" = __start ]; then
  img=$2 kb=$3 bps=$4 mnt=$5 log=$6 robot=$7 scratch=$8; shift 8
  loop=$(losetup --find --show "$img")
  cgroup=/sys/fs/cgroup/blkio/bench-runtime-$$
  trap 'echo $$ > /sys/fs/cgroup/blkio/cgroup.procs 2>/dev/null; rmdir "$cgroup" 2>/dev/null
        umount "$mnt" 2>/dev/null; losetup -d "$loop"' EXIT
  echo "$kb" > "/sys/block/${loop#/dev/}/queue/read_ahead_kb"
  mount "$loop" "$mnt"
  device=$(cat "/sys/block/${loop#/dev/}/dev")
  mkdir "$cgroup"
  echo "$device $bps" > "$cgroup/blkio.throttle.read_bps_device"
  sim_prefix=("$top/tools/emulate" armhf)
  echo $$ > "$cgroup/cgroup.procs"
  start=$(date +%s%3N)
  with_robot "$robot" 取消 "$log" "" "$scratch" "$@" -- "$mnt/pendant-tool" "$mnt" > "$scratch.out" 2>&1 || true
  echo $$ > /sys/fs/cgroup/blkio/cgroup.procs
  first=$(grep -m1 -o '"epoch_ms":[0-9]*' "$log" | cut -d: -f2) ||
    { echo "no dialog from the stick in $img:" >&2; tail -n 5 "$scratch.out" >&2; exit 1; }
  requests=$(awk -v d="$device" '$1 == d && $2 == "Read" { print $3 }' "$cgroup/blkio.throttle.io_serviced")
  find "$mnt" -type f ! -name pendant-tool.log -exec fincore --bytes --noheadings --raw -o RES,SIZE,FILE {} + |
    sed "s|$mnt/||" | sort -rn > "$scratch.fincore"
  bytes=$(awk '{ s += $1 } END { print s + 0 }' "$scratch.fincore")
  echo "$((first - start)) $bytes ${requests:-0}"
  exit 0
fi

rounds=${1:-3} ref=${2:-main} target=${3:-arm}
case $target in
  arm) abis=(armhf armel) ;;
  armhf|armel) abis=("$target") ;;
  *) echo "unknown target '$target' (arm, armhf or armel)" >&2; exit 2 ;;
esac
[ "$(id -u)" = 0 ] || { echo "needs root (loop devices, the simulated pendant)" >&2; exit 1; }
for abi in "${abis[@]}"; do
  [ -f "$top/build-$abi/tests/libpendant_robot_preload.so" ] ||
    { echo "build first: tools/setup.sh --target $abi" >&2; exit 1; }
done
[ -f /sys/fs/cgroup/blkio/blkio.throttle.read_bps_device ] ||
  { echo "needs the block I/O cgroup (cgroup v1 blkio, with throttling) to limit the stick's reads" >&2; exit 1; }
usb2_bps=${USB2_BPS:-20000000} usb1_bps=${USB1_BPS:-1000000}
work=$(mktemp -d /tmp/bench-runtime.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The sticks. After: this tree's make-stick in the stick-build folders of
# this tree's builds (make-stick arm builds in DIR-armhf and DIR-armel:
# links to them). Before: REF's whole tree, its make-stick building in
# folders of its own (the build decides part of what goes on the stick:
# ICU's libraries, the Qt plugins), with this machine's .cache (Debian's
# sources and the armel root, which REF's make-stick checks or fetches).
for abi in armhf armel; do ln -s "$top/build-$abi/stick-build" "$work/build-$abi"; done
[ "$target" = arm ] || ln -s "$top/build-$target/stick-build" "$work/build"
mkdir -p "$work/ref"
git -C "$top" archive "$ref" | tar -x -C "$work/ref"
ln -s "$top/.cache" "$work/ref/.cache"
"$top/tools/make-stick" --build "$work/build" "$target" 127.0.0.2 "$work/after" 2>&1 | tail -n 1
"$work/ref/tools/make-stick" --build "$work/ref-build" "$target" 127.0.0.2 "$work/before" 2>&1 | tail -n 1

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# noexec_kb STICK ABI: KB a tmpfs holds after the launcher's copy.
noexec_kb() {
  unshare --mount --propagation private sh -c 'mount -t tmpfs ram "$1" && cp -R "$2/." "$1/" && cp "$3" "$1/" &&
    df -k "$1" | awk "NR == 2 { print \$3 }"' sh "$work/ram" "$1/.pendant-tool/$2" "$1/sqlite3"
}
mkdir -p "$work/ram" "$work/mnt"

# start STICK ABI CPU ROUND PORT: one cold start from the stick's image,
# as from a USB 2.0 port (the disk's read-ahead, which the launcher keeps;
# USB2_BPS) or a USB 1.1 port (the launcher lowers it to its
# start_read_ahead_kb until the first window, where the stick's launcher
# does so; USB1_BPS); prints "ms bytes requests".
start() {
  local stick=$1 abi=$2 cpu=$3 r=$4 port=$5 name=$1-$2-$4-$5 kb=${READ_AHEAD_KB:-128} start_kb bps=$usb2_bps
  start_kb=$(sed -n 's/^start_read_ahead_kb=\([0-9]*\)$/\1/p' "$work/$stick/pendant-tool")
  if [ "$port" = usb1 ]; then
    bps=$usb1_bps
    [ -n "$start_kb" ] && [ "$start_kb" -lt "$kb" ] && kb=$start_kb
  fi
  unshare --mount --propagation private "$top/tools/bench-runtime.sh" __start "$work/$stick.img" "$kb" "$bps" "$work/mnt" "$work/$name.log" \
    "$top/build-$abi/tests/libpendant_robot_preload.so" "$work/sim-$name" --cpu "$cpu" \
    --hide /usr/lib/arm-linux-gnueabihf --hide /usr/arm-linux-gnueabihf --hide /lib/ld-linux-armhf.so.3 \
    --hide /usr/arm-linux-gnueabi
}

for stick in before after; do
  # The image: the stick's files on ext2 in 4 KB blocks (a FAT stick has
  # clusters of 4 KB or more; small ext2 images default to 1 KB), 20 % room
  # to spare.
  size=$(( $(du -sk "$work/$stick" | cut -f1) * 12 / 10 + 4096 ))
  mkfs.ext2 -q -b 4096 -d "$work/$stick" "$work/$stick.img" "${size}k"
done
declare -A value
cases=""
for abi in "${abis[@]}"; do
  case $abi in armhf) cases+=" armhf|cortex-a9" ;; armel) cases+=" armel|arm926" ;; esac
done
for c in $cases; do
  abi=${c%|*} cpu=${c#*|}
  for stick in before after; do
    value[$stick-$abi-size]=$(mb "$(du -sk "$work/$stick/.pendant-tool/$abi" | cut -f1)")
    value[$stick-$abi-noexec]=$(mb "$(noexec_kb "$work/$stick" "$abi")")
  done
  for r in $(seq "$rounds"); do
    for port in usb2 usb1; do
      for stick in before after; do
        read -r ms bytes requests < <(start "$stick" "$abi" "$cpu" "$r" "$port")
        echo "$abi round $r $stick, $port port: first dialog $ms ms, $(mb $((bytes / 1024))) MB of the stick read in $requests requests"
        echo "$ms" >> "$work/$stick-$abi-$port.ms"; echo "$bytes" >> "$work/$stick-$abi-$port.bytes"
        echo "$requests" >> "$work/$stick-$abi-$port.requests"
      done
    done
  done
  for stick in before after; do
    for port in usb2 usb1; do
      value[$stick-$abi-first-$port]=$(median $(cat "$work/$stick-$abi-$port.ms"))
      value[$stick-$abi-read-$port]=$(mb $(( $(median $(cat "$work/$stick-$abi-$port.bytes")) / 1024 )))
      value[$stick-$abi-requests-$port]=$(median $(cat "$work/$stick-$abi-$port.requests"))
    done
  done
done

echo
printf '%-7s %-20s %10s %10s %7s\n' runtime measure before after ratio
for c in $cases; do
  abi=${c%|*}
  for m in "size MB|size" "noexec MB|noexec" "read MB, USB 2.0|read-usb2" "read MB, USB 1.1|read-usb1" \
           "requests, USB 2.0|requests-usb2" "requests, USB 1.1|requests-usb1" \
           "first ms, USB 2.0|first-usb2" "first ms, USB 1.1|first-usb1"; do
    k=${m#*|}
    printf '%-7s %-20s %10s %10s %7s\n' "$abi" "${m%|*}" "${value[before-$abi-$k]}" "${value[after-$abi-$k]}" \
      "$(ratio "${value[after-$abi-$k]}" "${value[before-$abi-$k]}")"
  done
done
echo
for c in $cases; do
  abi=${c%|*}
  echo "$abi, after, USB 1.1 port, the files read most (bytes read, size):"
  head -n 8 "$work/sim-after-$abi-$rounds-usb1.fincore" | awk '{ printf "  %-60s %6.1f of %6.1f MB\n", $3, $1 / 1048576, $2 / 1048576 }'
done
b=$(du -sk "$work/before" | cut -f1) a=$(du -sk "$work/after" | cut -f1)
printf '%-7s %-20s %10s %10s %7s\n' "$target" "stick MB" "$(mb "$b")" "$(mb "$a")" "$(ratio "$a" "$b")"
