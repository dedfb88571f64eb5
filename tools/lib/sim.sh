# Running a program on the simulated pendant with the dialog robot
# preloaded, as the demos, the benchmarks and the end-to-end tests do.
# Source this file.
# shellcheck shell=bash

sim_lib_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# sim_prefix: a command that the simulated pendant runs inside, such as
# (tools/emulate armhf) for a pendant of another processor; empty by default.
sim_prefix=(${sim_prefix[@]+"${sim_prefix[@]}"})

# with_robot ROBOT ANSWERS LOG SHOTS SCRATCH [pendant-sim options...] -- COMMAND...
# Runs COMMAND on the simulated pendant laid out in SCRATCH, with the dialog
# robot ROBOT (libpendant_robot_preload.so of the processor's build)
# answering ANSWERS (button captions separated by '|'), one JSON line per
# dialog and progress step into LOG and a screenshot of each into SHOTS
# (empty: none). Answers the simulator's exit status (77: not available).
with_robot() {
  local robot=$1 answers=$2 log=$3 shots=$4 scratch=$5
  shift 5
  LD_PRELOAD=$robot PENDANT_ROBOT_ANSWERS=$answers PENDANT_ROBOT_LOG=$log PENDANT_ROBOT_SHOTS=$shots \
    ${sim_prefix[@]+"${sim_prefix[@]}"} "$sim_lib_top/tools/pendant-sim/pendant-sim" run --scratch "$scratch" "$@"
}
