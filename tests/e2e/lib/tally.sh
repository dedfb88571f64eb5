# Counting of checks for the end-to-end shell tests. Source it, call
# `expect NAME COMMAND...` for each check and end with `finish`, which prints
# "N passed, M failed" and returns non-zero when a check failed.
# shellcheck shell=bash
tally_passed=0
tally_failed=0

# expect NAME COMMAND... : the check passes when COMMAND succeeds.
expect() {
  local name=$1; shift
  if "$@"; then
    tally_passed=$((tally_passed + 1)); echo "ok - $name"
  else
    tally_failed=$((tally_failed + 1)); echo "not ok - $name"
  fi
}

# Small predicates for expect.
has_line() { grep -qF -- "$2" "$1"; }              # has_line FILE TEXT
lacks_line() { ! grep -qF -- "$2" "$1"; }          # lacks_line FILE TEXT
equals() { [ "$1" = "$2" ] || { echo "    expected '$2', got '$1'"; return 1; }; }
between() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ] || { echo "    $1 not in [$2, $3]"; return 1; }; }

# skip_all REASON : no check can run here; exit 77 so the runner skips.
skip_all() { echo "skipped: $*"; echo "0 passed, 0 failed"; exit 77; }

finish() {
  echo "$tally_passed passed, $tally_failed failed"
  [ "$tally_failed" -eq 0 ]
}
