# Runs the maintenance driver on the simulated pendant, for the
# maintenance_*_test.sh scripts. Source it after tally.sh with $top and
# $work set.
# shellcheck shell=bash
. "$top/tests/e2e/lib/tool.sh"   # pendant, export_of, absent

driver=${PENDANT_MAINTENANCE_DRIVER:-$top/build/tests/maintenance_driver}
robot=${PENDANT_ROBOT:-$top/build/tests/libpendant_robot_preload.so}
[ -x "$driver" ] && [ -f "$robot" ] || { echo "build the driver first ($driver, $robot)"; echo "0 passed, 1 failed"; exit 1; }
[ "$(id -u)" = 0 ] || skip_all "the simulated pendant needs root"
shots=${PENDANT_SCREENSHOTS:-$work/shots}/maintenance

# The simulator does not overlay /etc, and /etc/network may not even exist
# on the host: inside the run an overlay over /etc, with its upper folder in
# NAME.etc/upper, takes every write there off the host. The driver runs in
# /root, so a command that escaped its quoting would write into the
# pendant's overlay.
inside='mount -t overlay overlay -o "lowerdir=/etc,upperdir=$ETC/upper,workdir=$ETC/work" /etc || exit 99
mkdir -p /etc/network && cd /root || exit 99
LD_PRELOAD=$ROBOT exec "$@"'

# run NAME ANSWERS UTILITY [ARGUMENT]: one unattended run of the driver on a
# pendant whose shares are mounted, in the scratch folder $work/NAME; its
# dialogs go to NAME.log, its output to NAME.out, its status to NAME.rc.
run() {
  local name=$1 answers=$2; shift 2
  mkdir -p "$work/$name.etc/upper" "$work/$name.etc/work"
  ROBOT=$robot ETC="$work/$name.etc" with_robot "" "$answers" "$work/$name.log" "$shots/$name" "$work/$name" \
    --premount -- bash -c "$inside" bash "$driver" "$@" >"$work/$name.out" 2>&1
  local rc=$?
  [ "$rc" = 77 ] && skip_all "the simulated pendant is not available: $(tail -n 1 "$work/$name.out")"
  [ "$rc" = 99 ] && echo "    could not overlay /etc: $(tail -n 2 "$work/$name.out")"
  echo "$rc" > "$work/$name.rc"
}

etc_of() { echo "$work/$1.etc/upper$2"; }
data_share() { export_of "$1" /home/ostrel/nfs_space; }
status_of() { cat "$work/$1.rc"; }
# The command of each cmd_file= line NAME wrote, one a line.
cmd_lines() { sed -n 's/^cmd_file= "\(.*\)"$/\1/p' "$work/$1.out"; }
# No file named pwned anywhere the run could write.
nothing_injected() { [ -z "$(find "$work/$1" "$work/$1.etc" -name 'pwned*' 2>/dev/null)" ]; }
