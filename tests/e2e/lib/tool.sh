# The built tool, the preloaded dialog robot and a scratch area for the
# end-to-end scripts that run pendant-tool on the simulated pendant.
# Source after tally.sh with $top set.
# shellcheck shell=bash

# e2e_begin NAME: sets $tool, $robot, $work (removed on exit) and $shots.
e2e_begin() {
  tool=${PENDANT_TOOL:-$top/build/src/pendant-tool}
  robot=${PENDANT_ROBOT:-$top/build/tests/libpendant_robot_preload.so}
  # A missing build is a failure, not a skip: the test command builds first.
  if [ ! -x "$tool" ] || [ ! -f "$robot" ]; then
    echo "build the tool first ($tool, $robot)"
    echo "0 passed, 1 failed"
    exit 1
  fi
  [ "$(id -u)" = 0 ] || skip_all "the simulated pendant needs root"
  work=$(mktemp -d "/tmp/$1-e2e.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  shots=${PENDANT_SCREENSHOTS:-$work/shots}/$1
}

# sim_prefix: a command that the simulated pendant runs inside, such as
# (tools/emulate armhf) for a pendant of another processor; empty by default.
sim_prefix=()

# sim_start NAME ANSWERS [pendant-sim options...] -- COMMAND...: one
# unattended run in a fresh scratch folder $work/NAME, answers separated by
# '|'; its dialogs go to $work/NAME.log, its output to $work/NAME.out; its
# exit status in $sim_status.
sim_start() {
  local name=$1 answers=$2 options=()
  shift 2
  while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  sim_status=0
  LD_PRELOAD=$robot PENDANT_ROBOT_ANSWERS=$answers PENDANT_ROBOT_LOG="$work/$name.log" \
    PENDANT_ROBOT_SHOTS="$shots/$name" \
    "${sim_prefix[@]}" "$top/tools/pendant-sim/pendant-sim" run --scratch "$work/$name" "${options[@]}" -- "$@" \
    >"$work/$name.out" 2>&1 || sim_status=$?
  [ "$sim_status" = 77 ] && skip_all "the simulated pendant is not available: $(tail -n 1 "$work/$name.out")"
  touch "$work/$name.log"
}

# sim_run NAME ANSWERS [pendant-sim options...] -- COMMAND...: as sim_start;
# the run must end with exit status 0.
sim_run() {
  sim_start "$@"
  expect "$1: exit status 0" equals "$sim_status" 0
}

# Where PATH lies after run NAME: on the pendant's own disk, or on the
# controller's exports.
pendant() { echo "$work/$1/pendant/upper$2"; }
export_of() { echo "$work/$1/controller/export$2"; }
absent() { [ ! -e "$1" ] && [ ! -L "$1" ]; }
