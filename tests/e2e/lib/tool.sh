# The built tool, the preloaded dialog robot and a scratch area for the
# end-to-end scripts that run pendant-tool on the simulated pendant.
# Source after tally.sh with $top set.
# shellcheck shell=bash

# e2e_begin NAME: sets $tool, $robot, $work (removed on exit) and $shots.
e2e_begin() {
  [ "${PENDANT_SIM_USERLAND:-}" = busybox ] && set -- "$1-busybox"
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
  [ -n "${PENDANT_KEEP_WORK:-}" ] || trap 'rm -rf "$work"' EXIT
  shots=${PENDANT_SCREENSHOTS:-$work/shots}/$1
}

# with_robot, and sim_prefix: a command that the simulated pendant runs
# inside, such as (tools/emulate armhf); empty by default.
. "$top/tools/lib/sim.sh"
# sim_options: pendant-sim options for every run. PENDANT_SIM_USERLAND=busybox
# gives the pendant BusyBox's commands (CTest runs the upgrade, repair and
# restore tests that way too).
sim_options=()
[ "${PENDANT_SIM_USERLAND:-}" = busybox ] && sim_options=(--busybox)

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
  with_robot "$robot" "$answers" "$work/$name.log" "$shots/$name" "$work/$name" ${sim_options[@]+"${sim_options[@]}"} ${options[@]+"${options[@]}"} -- "$@" \
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

# The dialog robot's log of run NAME ($work/NAME.log, one JSON object a
# line), read with jq. Texts are given with their line breaks written as \n.

# box_texts NAME: the text of each box and dialog, one a line (a dialog
# without text shows as its class).
box_texts() {
  jq -r 'select(.kind != "progress") | if (.text // "") != "" then .text else .class end | gsub("\n"; "\\n")' \
    "$work/$1.log"
}
# box_count NAME: how many message boxes were shown.
box_count() { jq -s '[.[] | select(.kind == "box")] | length' "$work/$1.log"; }
# box_ms NAME TEXT: milliseconds from the start to the first box showing TEXT.
box_ms() { box_field "$1" "$2" '. == $t'; }
# has_box NAME TEXT: a box or dialog showed exactly TEXT.
has_box() { [ -n "$(box_field "$1" "$2" '. == $t')" ]; }
# has_box_starting NAME TEXT: a box or dialog showed a text beginning with TEXT.
has_box_starting() { [ -n "$(box_field "$1" "$2" 'startswith($t)')" ]; }
# mentions NAME PART: the text of some box or dialog contains PART.
mentions() { [ -n "$(box_field "$1" "$2" 'contains($t)')" ]; }
never_mentions() { ! mentions "$@"; }
# box_field NAME TEXT TEST: the time (ms) of the first box or dialog whose
# text passes the jq TEST against $t.
box_field() {
  jq -r --arg t "$2" "select(.kind != \"progress\" and ((.text // \"\") | gsub(\"\\n\"; \"\\\\n\") | $3)) | .ms" \
    "$work/$1.log" | head -n 1
}
# steps NAME: the progress steps, "value label" per line.
steps() { jq -r 'select(.kind == "progress") | "\(.value) \(.label)"' "$work/$1.log"; }
# progress_ms NAME LABEL: milliseconds to the first progress step with LABEL.
progress_ms() { jq -r --arg l "$2" 'select(.kind == "progress" and .label == $l) | .ms' "$work/$1.log" | head -n 1; }
# span_ms NAME: milliseconds from the first record to the last.
span_ms() { jq -s 'if length > 0 then .[-1].ms - .[0].ms else 0 end' "$work/$1.log"; }
