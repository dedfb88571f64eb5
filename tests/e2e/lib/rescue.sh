# Shared steps of the rescue-mode end-to-end tests. Source after tally.sh
# with $top, $tool, $robot, $work and $shots set.
# shellcheck shell=bash

# make_stick DIR [no-sqlite3]: a USB stick holding the tool, the rescue_mode
# marker and (unless told otherwise) beside the tool the sqlite3 shell that
# goes on the technician's stick (this build's, see cmake/sqlite3_shell.cmake).
make_stick() {
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

# steps NAME: the progress steps of run NAME, "value label" per line.
steps() {
  grep '"kind":"progress"' "$work/$1.log" | sed -E 's/.*"label":"([^"]*)".*"value":([0-9]+).*/\2 \1/'
}

# boxes NAME: the texts of the boxes and dialogs of run NAME, one per line
# (a dialog without text shows as its class).
boxes() {
  grep -v '"kind":"progress"' "$work/$1.log" |
    sed -E 's/.*"text":"([^"]+)".*/\1/; t; s/.*"class":"([^"]*)".*/\1/'
}

# box_ms NAME TEXT: milliseconds from the start to the box showing TEXT.
box_ms() {
  grep -F "\"text\":\"$2\"" "$work/$1.log" | head -n 1 | sed -E 's/.*"ms":([0-9]+).*/\1/'
}

# progress_ms NAME LABEL: milliseconds to the first progress step with LABEL.
progress_ms() {
  grep -F "\"label\":\"$2\"" "$work/$1.log" | head -n 1 | sed -E 's/.*"ms":([0-9]+).*/\1/'
}
