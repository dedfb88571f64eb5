# The rescue stick of the demos and benchmarks: what tools/make-stick builds
# for this workstation's processor, with the rescue_mode marker beside the
# tool. Source this file.
# shellcheck shell=bash

stick_lib_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# rescue_stick OUT BUILD: a stick for the simulated controller (127.0.0.2)
# in the empty or absent folder OUT, built in BUILD/stick-build (the folder
# the stick test uses, so a second build is incremental). Its log goes to
# OUT.make-stick.log.
rescue_stick() {
  local out=$1 build=$2
  "$stick_lib_top/tools/make-stick" --build "$build/stick-build" host 127.0.0.2 "$out" > "$out.make-stick.log" 2>&1 ||
    { tail -n 5 "$out.make-stick.log" >&2; return 1; }
  : > "$out/rescue_mode"
}
