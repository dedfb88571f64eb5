# Shared steps of the rescue-mode end-to-end tests. Source after tally.sh
# with $top, $tool, $robot, $work and $shots set.
# shellcheck shell=bash

# tool_stick DIR [no-sqlite3]: a USB stick holding the tool under test, the
# rescue_mode marker and (unless told otherwise) beside the tool the sqlite3
# shell that goes on the technician's stick (this build's, see
# cmake/sqlite3_shell.cmake). The tests run the build under test, so this is
# no stick of tools/make-stick (a release build of its own; the stick test
# and tools/lib/stick.sh use that).
tool_stick() {
  mkdir -p "$1"
  cp "$tool" "$1/pendant-tool"
  : > "$1/rescue_mode"
  [ "${2:-}" = no-sqlite3 ] || cp "${PENDANT_SQLITE3:-$top/build/sqlite3/sqlite3}" "$1/sqlite3"
}

# share NAME PATH: where PATH of the controller's data share lies for run NAME.
share() { echo "$work/$1/controller/export/home/ostrel/nfs_space${2:-}"; }

# rescue NAME ANSWERS STICK [pendant-sim options...]: runs the tool from
# STICK in a fresh scratch folder $work/NAME; its dialogs go to
# $work/NAME.log, its output to $work/NAME.out.
rescue() {
  local name=$1 answers=$2 stick=$3
  shift 3
  sim_run "$name" "$answers" "$@" -- "$stick/pendant-tool"
}
