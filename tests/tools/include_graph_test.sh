#!/usr/bin/env bash
# The source folders depend one way: the entry point on the jobs, the jobs
# on the controller database, the database on the controller's facts, the
# controller on the command layer, and all of them on the dialogs and the
# run log at the bottom. Every #include of a
# project header is checked against that order.
set -uo pipefail
src=$(cd "$(dirname "$0")/../../src" && pwd)

declare -A may_use=(
  [app]="app upgrade rescue maintenance database controller exec ui log"
  [upgrade]="upgrade database controller exec ui log"
  [rescue]="rescue database controller exec ui log"
  [maintenance]="maintenance database controller exec ui log"
  [database]="database controller exec ui log"
  [controller]="controller exec log"
  [exec]="exec log"
  [ui]="ui log"
  [log]="log"
)

passed=0 failed=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  allowed=${may_use[$folder]:-}
  if [ -z "$allowed" ]; then
    echo "not ok - $folder: a source folder with no place in the order"; failed=$((failed + 1)); continue
  fi
  bad=$(grep -HnoE '^#include "[a-z_]+/' "$dir"*.h "$dir"*.cpp 2>/dev/null |
    while IFS=: read -r file line inc; do
      used=${inc#\#include \"}; used=${used%/}
      [[ " $allowed " == *" $used "* ]] || echo "${file#"$src"/}:$line includes $used/"
    done)
  if [ -z "$bad" ]; then
    echo "ok - $folder includes only: $allowed"; passed=$((passed + 1))
  else
    echo "not ok - $folder reaches up:"; sed 's/^/    /' <<<"$bad"; failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
