#!/usr/bin/env bash
# End-to-end checks of the simulated pendant (tools/pendant-sim): shares
# mounted from the controller, the controller's failure modes, and that
# nothing a command writes inside the simulation reaches this machine.
# Exit 0 on pass, 77 when namespaces are not available, 1 on failure.
set -uo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
# shellcheck source=lib/tally.sh
. "$root/tests/e2e/lib/tally.sh"
sim=$root/tools/pendant-sim/pendant-sim
A=127.0.0.2
NFS=/home/ostrel/nfs_space
WS=/home/ostrel/workspace
export A NFS WS

# Scratch areas must lie outside /usr, /home and /root, which the sim overlays.
work=$(mktemp -d /tmp/sim_test.XXXXXX)
trap 'rm -rf "$work"' EXIT

# run NAME [SIM OPTIONS...] -- SCRIPT : runs SCRIPT with bash inside the sim,
# scratch in $work/NAME, results folder $OUT=$work/NAME.out, combined output
# in $work/NAME.log and the exit status in $work/NAME.rc.
run() {
  local name=$1; shift
  local opts=()
  while [ "$1" != -- ]; do opts+=("$1"); shift; done
  shift
  mkdir -p "$work/$name.out"
  local rc=0
  OUT=$work/$name.out "$sim" run --scratch "$work/$name" "${opts[@]}" -- bash -c "$1" \
    > "$work/$name.log" 2>&1 || rc=$?
  echo "$rc" > "$work/$name.rc"
}
rc_of() { cat "$work/$1.rc"; }
val() { cat "$work/$1.out/$2" 2>/dev/null; }   # val CASE FILE

# Times COMMAND inside the sim: writes NAME.rc and NAME.ms into $OUT.
timed='timed() { local n=$1 s; shift; s=$(date +%s%N); "$@" >/dev/null 2>&1; echo $? > "$OUT/$n.rc"; echo $(( ($(date +%s%N) - s) / 1000000 )) > "$OUT/$n.ms"; }'
share='share() { /bin/mount -t nfs -o nolock "$A:$1" "$1" 2> "$OUT/$2.err"; echo $? > "$OUT/$2.rc"; }'

# ---- can we simulate at all?
run probe -- 'true'
case $(rc_of probe) in
  0) ;;
  77) skip_all "$(cat "$work/probe.log")" ;;
  *) cat "$work/probe.log"; expect "pendant-sim starts" false; finish; exit 1 ;;
esac

# ---- shares mount from a controller that is up
mkdir -p "$work/up/controller/export$WS"
echo "program from controller" > "$work/up/controller/export$WS/seeded.txt"
run up -- "$timed; $share"'
  /bin/mkdir -p $NFS $WS; sync
  share $NFS nfs; share $WS ws
  cp /proc/self/mounts "$OUT/mounts"
  /bin/df -h | /bin/grep $A > "$OUT/df"
  echo written-on-pendant > $NFS/from_pendant.txt
  cat $WS/seeded.txt > "$OUT/read_back"
  share $NFS again
  timed ping /bin/ping $A -c 4'
expect "up: sim exits 0" equals "$(rc_of up)" 0
expect "up: mount of nfs_space succeeds" equals "$(val up nfs.rc)" 0
expect "up: mount of workspace succeeds" equals "$(val up ws.rc)" 0
expect "up: /proc/self/mounts shows $A:$NFS on $NFS" has_line "$work/up.out/mounts" "$A:$NFS $NFS "
expect "up: /proc/self/mounts shows $A:$WS on $WS" has_line "$work/up.out/mounts" "$A:$WS $WS "
expect "up: df shows both shares" equals "$(grep -cE "^$A:/home/ostrel/(nfs_space|workspace) .* /home/ostrel/(nfs_space|workspace)\$" "$work/up.out/df")" 2
expect "up: a write on the pendant lands in the export folder" \
  equals "$(cat "$work/up/controller/export$NFS/from_pendant.txt" 2>/dev/null)" written-on-pendant
expect "up: a file in the export folder is readable on the pendant" equals "$(val up read_back)" "program from controller"
expect "up: a second mount fails with status 32" equals "$(val up again.rc)" 32
expect "up: a second mount says already mounted" has_line "$work/up.out/again.err" "already mounted"
expect "up: ping -c 4 succeeds" equals "$(val up ping.rc)" 0
expect "up: ping -c 4 takes about 3 s ($(val up ping.ms) ms)" between "$(val up ping.ms)" 2500 5000

# ---- the controller refuses an export; wrong exports and hosts fail
run refused --refuse-export "$WS" -- "$share"'
  share $NFS nfs; share $WS ws; share /home/ostrel/not_exported other
  /bin/mount -t nfs -o nolock 127.0.0.3:$WS $WS 2> "$OUT/host.err"; echo $? > "$OUT/host.rc"
  cp /proc/self/mounts "$OUT/mounts"'
expect "refused: the other share still mounts" equals "$(val refused nfs.rc)" 0
expect "refused: the refused export fails with 32" equals "$(val refused ws.rc)" 32
expect "refused: the message says access denied" has_line "$work/refused.out/ws.err" "access denied by server"
expect "refused: the refused share is not mounted" lacks_line "$work/refused.out/mounts" "$A:$WS "
expect "refused: an export that does not exist fails with 32" equals "$(val refused other.rc)" 32
expect "refused: a host that is not the controller fails with 32" equals "$(val refused host.rc)" 32

# ---- a silent controller: ping gets no answer, mounts time out
run silent --controller silent -- "$timed; $share"'
  timed ping timeout 8 /bin/ping $A -c 4
  share $NFS nfs
  cp /proc/self/mounts "$OUT/mounts"'
expect "silent: ping -c 4 is still waiting after 8 s" equals "$(val silent ping.rc)" 124
expect "silent: ping ran the full 8 s ($(val silent ping.ms) ms)" between "$(val silent ping.ms)" 7900 9500
expect "silent: mount fails with 32" equals "$(val silent nfs.rc)" 32
expect "silent: mount says timed out" has_line "$work/silent.out/nfs.err" "timed out"
expect "silent: nothing is mounted" lacks_line "$work/silent.out/mounts" "$A:"

# ---- an unreachable controller: no route, ping fails at once
run unreachable --controller unreachable -- "$timed; $share"'
  timed ping /bin/ping $A -c 4
  timed self /bin/ping 127.0.0.1 -c 1
  share $NFS nfs'
expect "unreachable: ping fails" test "$(val unreachable ping.rc)" -ne 0
expect "unreachable: ping fails within 1 s ($(val unreachable ping.ms) ms)" between "$(val unreachable ping.ms)" 0 1000
expect "unreachable: the pendant still reaches itself" equals "$(val unreachable self.rc)" 0
expect "unreachable: mount fails with 32" equals "$(val unreachable nfs.rc)" 32
expect "unreachable: mount says unreachable" has_line "$work/unreachable.out/nfs.err" "unreachable"

# ---- writes stay in the scratch dir; the pendant looks like one
token=sim_probe_$$_$RANDOM
export token
probe_paths=(/usr/lib/$token /usr/bin/$token /root/$token /root/workspace/$token /home/$token /home/ostrel/$token)
for p in "${probe_paths[@]}"; do [ ! -e "$p" ] || { echo "host already has $p"; exit 1; }; done
PENDANT_ROBOT_ANSWERS='确定|取消' run isolated -- '
  for p in /usr/lib /usr/bin /root /root/workspace /home /home/ostrel; do echo inside > $p/$token; done
  cat /usr/lib/$token > "$OUT/read_back"
  test -x /usr/bin/unzip && echo yes > "$OUT/host_tools"
  test -x /root/workspace/Zivad-ADE && echo yes > "$OUT/old_hmi"
  test -d $NFS && test -d $WS && echo yes > "$OUT/mountpoints"
  printf %s "$PENDANT_ROBOT_ANSWERS" > "$OUT/answers"
  printf %s "$QT_QPA_PLATFORM" > "$OUT/qpa"
  fc-match microsoft_yahei > "$OUT/font"
  echo hello from the pendant
  exit 7'
leaked=""
for p in "${probe_paths[@]}"; do [ ! -e "$p" ] || { leaked+=" $p"; rm -f "$p"; }; done
expect "isolated: no write reached the host${leaked:+ (leaked:$leaked)}" test -z "$leaked"
expect "isolated: the writes landed in the scratch dir" \
  test -f "$work/isolated/pendant/upper/usr/lib/$token" -a -f "$work/isolated/pendant/upper/root/$token" -a -f "$work/isolated/pendant/upper/home/ostrel/$token"
expect "isolated: a written file reads back inside" equals "$(val isolated read_back)" inside
expect "isolated: the host's programs are visible inside" equals "$(val isolated host_tools)" yes
expect "isolated: the pendant has an old Zivad-ADE in /root/workspace" equals "$(val isolated old_hmi)" yes
expect "isolated: the mount points exist" equals "$(val isolated mountpoints)" yes
expect "isolated: COMMAND's exit status passes through" equals "$(rc_of isolated)" 7
expect "isolated: COMMAND's output passes through" has_line "$work/isolated.log" "hello from the pendant"
expect "isolated: the environment passes through" equals "$(val isolated answers)" '确定|取消'
if [ -z "${QT_QPA_PLATFORM:-}" ]; then
  expect "isolated: Qt runs offscreen" equals "$(val isolated qpa)" offscreen
fi
if [ -z "${FONTCONFIG_FILE:-}" ]; then
  expect "isolated: microsoft_yahei resolves to WenQuanYi Micro Hei" has_line "$work/isolated.out/font" "WenQuanYi Micro Hei"
fi

# ---- shares left mounted by an earlier run
echo earlier > "$(mkdir -p "$work/premount/controller/export$NFS" && echo "$work/premount/controller/export$NFS")/earlier.txt"
run premount --premount -- "$share"'
  cp /proc/self/mounts "$OUT/mounts"
  cat $NFS/earlier.txt > "$OUT/read_back"
  share $NFS again'
expect "premount: nfs_space is mounted before COMMAND" has_line "$work/premount.out/mounts" "$A:$NFS $NFS "
expect "premount: workspace is mounted before COMMAND" has_line "$work/premount.out/mounts" "$A:$WS $WS "
expect "premount: the premounted share shows the export" equals "$(val premount read_back)" earlier
expect "premount: mounting again fails with 32" equals "$(val premount again.rc)" 32

# ---- a pendant without mount points
run nomp --no-mountpoints -- "$share"'
  test -e $NFS || echo absent > "$OUT/before"
  share $NFS first
  /bin/mkdir -p $NFS; share $NFS second'
expect "no-mountpoints: the mount point is absent" equals "$(val nomp before)" absent
expect "no-mountpoints: mounting without it fails with 32" equals "$(val nomp first.rc)" 32
expect "no-mountpoints: after mkdir -p the mount succeeds" equals "$(val nomp second.rc)" 0

# ---- the controller address is an option, limited to loopback
A=127.0.0.5 run otheraddr --address 127.0.0.5 -- "$share"'
  share $NFS nfs
  /bin/mount -t nfs -o nolock 127.0.0.2:$WS $WS 2>/dev/null; echo $? > "$OUT/old.rc"
  cp /proc/self/mounts "$OUT/mounts"'
expect "address: the share mounts from 127.0.0.5" has_line "$work/otheraddr.out/mounts" "127.0.0.5:$NFS $NFS "
expect "address: 127.0.0.2 is then not the controller" equals "$(val otheraddr old.rc)" 32
for bad in 0.0.0.0 127.0.0.1 127.0.0.256 localhost; do
  run "bad_$bad" --address "$bad" -- 'echo ran > "$OUT/ran"'
  expect "address: --address $bad is refused with 2" equals "$(rc_of "bad_$bad")" 2
  expect "address: with --address $bad COMMAND does not run" test ! -e "$work/bad_$bad.out/ran"
done

# ---- the old pendant: BusyBox's commands, an ARM926's /proc/cpuinfo, a 3.2
# kernel's release and system calls, a stick mounted noexec; the shares
# still mount through BusyBox's mount.
mkdir -p "$work/old-stick"
printf '#!/bin/sh\necho ran\n' > "$work/old-stick/prog"
chmod 755 "$work/old-stick/prog"
run old --busybox --cpu arm926 --kernel 3.2 --noexec "$work/old-stick" -- "$share"'
  for c in sh cp mv rm mkdir chmod sync unzip df grep ping mount; do
    /bin/$c --help 2>&1 | head -n 1 | cut -d" " -f1 > "$OUT/$c"
  done
  sed -n "s/^CPU architecture: //p" /proc/cpuinfo > "$OUT/arch"
  cat /proc/sys/kernel/osrelease > "$OUT/release"
  echo "$QEMU_CPU $QEMU_UNAME" > "$OUT/qemu"
  if command -v python3 >/dev/null; then
    python3 -c "import os
try: os.getrandom(1); print(0)
except OSError as e: print(e.errno)" > "$OUT/getrandom"
  else echo 38 > "$OUT/getrandom"; fi
  '"$work/old-stick/prog"' > /dev/null 2>&1; echo $? > "$OUT/noexec"
  /bin/mkdir -p $NFS; share $NFS nfs
  /bin/df -h | /bin/grep $A > "$OUT/df-lines"'
for c in sh cp mv rm mkdir chmod sync unzip df grep ping mount; do
  expect "old pendant: $c is BusyBox's" equals "$(val old "$c")" BusyBox
done
expect "old pendant: an ARM926's cpuinfo" equals "$(val old arch)" 5TEJ
expect "old pendant: kernel release 3.2.0" equals "$(val old release)" 3.2.0
expect "old pendant: qemu told the CPU and the release" equals "$(val old qemu)" "arm926 3.2.0"
expect "old pendant: getrandom (3.17) answers ENOSYS" equals "$(val old getrandom)" 38
expect "old pendant: nothing runs from the noexec stick" equals "$(val old noexec)" 126
expect "old pendant: BusyBox's mount mounts the share" equals "$(val old nfs.rc)" 0
expect "old pendant: BusyBox's df shows it" grep -q "$A:$NFS" "$work/old.out/df-lines"

# ---- misuse is refused
scratch_in_root=/root/sim_test_scratch_$$
"$sim" run --scratch "$scratch_in_root" -- true > /dev/null 2>&1; rc=$?
expect "misuse: a scratch dir under /root is refused with 2" equals "$rc" 2
expect "misuse: ... and not created" test ! -e "$scratch_in_root"
rm -rf "$scratch_in_root"
# The helper run outside the sim must refuse. It runs in a throwaway mount
# namespace so that even a broken guard could not leave a mount behind.
mkdir -p "$work/guard_target"
guard=$(unshare --mount --propagation private bash -c '
  "$1" --state "$2" "$3" "$4" 2>&1; echo "rc=$?"
  awk -v t="$4" '\''$2 == t { print "mounted" }'\'' /proc/self/mounts' _ \
  "$root/tools/pendant-sim/mount.nfs" "$work/up/state" "$A:$NFS" "$work/guard_target")
expect "misuse: mount.nfs outside the sim exits 32" has_line <(echo "$guard") "rc=32"
expect "misuse: mount.nfs outside the sim says why" has_line <(echo "$guard") "outside the simulated pendant"
expect "misuse: mount.nfs outside the sim mounts nothing" lacks_line <(echo "$guard") "mounted"

finish
