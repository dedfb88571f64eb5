#!/usr/bin/env bash
# The file utilities (workspace file deletion, file replacement, database
# and project copy) run with the real commands on the simulated pendant;
# the pendant's files and the controller's exports are checked afterwards.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
work=$(mktemp -d /tmp/maintenance-e2e.XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$here/lib/maintenance.sh"

# seed_workspace NAME: the controller's workspace with entries to delete and
# one to keep, and its database.
seed_workspace() {
  local ws; ws=$(data_share "$1")/workspace
  mkdir -p "$ws/keep" "$ws/proj a/sub" "$ws/\$(touch pwned);x"
  echo prg > "$ws/keep/main.prg"
  echo prg > "$ws/proj a/sub/main.prg"
  echo note > "$ws/it's;touch pwned"
  echo db > "$(data_share "$1")/dravon.db"
}
entries() { ls -A "$(data_share "$1")/workspace" | paste -sd'|'; }

# 1. A directory tree whose name holds a blank goes, nothing else does.
seed_workspace del-tree
run del-tree "确定" delete "proj a"
expect "del-tree: directory tree removed" absent "$(data_share del-tree)/workspace/proj a"
expect "del-tree: other entries stay" equals "$(entries del-tree)" "\$(touch pwned);x|it's;touch pwned|keep"
expect "del-tree: boxes" equals "$(box_texts del-tree | paste -sd'|')" "是否需要删除文件proj a？|成功!"
expect "del-tree: one removal logged" equals "$(cmd_lines del-tree)" "/bin/rm -rf '/home/ostrel/nfs_space/workspace/proj a'"

# 2. Names made of shell syntax are removed as names; nothing runs.
for n in 1 2; do seed_workspace "del-shell$n"; done
run del-shell1 "确定" delete "\$(touch pwned);x"
run del-shell2 "确定" delete "it's;touch pwned"
expect "del-shell: \$(...) entry removed" absent "$(data_share del-shell1)/workspace/\$(touch pwned);x"
expect "del-shell: quote and ; entry removed" absent "$(data_share del-shell2)/workspace/it's;touch pwned"
expect "del-shell: keep stays" test -f "$(data_share del-shell1)/workspace/keep/main.prg" -a -f "$(data_share del-shell2)/workspace/keep/main.prg"
expect "del-shell: nothing injected" nothing_injected del-shell1
expect "del-shell: nothing injected (2)" nothing_injected del-shell2

# 3. Names reaching outside the workspace entry remove nothing.
for name in "../dravon.db" "" ".." "keep/../../dravon.db"; do
  tag=del-out$((${n:-0} + 1)); n=$((${n:-0} + 1))
  seed_workspace "$tag"
  run "$tag" "确定" delete "$name"
  expect "$tag ('$name'): reported as missing" equals "$(box_texts "$tag" | tail -n 1)" "没有该文件!"
  expect "$tag ('$name'): database stays" test -f "$(data_share "$tag")/dravon.db"
  expect "$tag ('$name'): workspace intact" equals "$(entries "$tag")" "\$(touch pwned);x|it's;touch pwned|keep|proj a"
  expect "$tag ('$name'): no command" equals "$(cmd_lines "$tag")" ""
done

# 4. Declined: one box, nothing removed.
seed_workspace del-no
run del-no "取消" delete keep
expect "del-no: one box" equals "$(box_count del-no)" 1
expect "del-no: entry stays" test -f "$(data_share del-no)/workspace/keep/main.prg"

# 5. Network files from a directory whose path holds a blank and shell
#    syntax: both land, the shell runs nothing from the path.
src="$work/net files;\$(touch pwned)"
mkdir -p "$src" && printf 'auto lo\niface lo inet loopback\n# maintenance e2e %s\n' "$$" > "$src/interfaces" && printf '#!/bin/sh\nping -c 1 127.0.0.2\n' > "$src/ping.sh"
run replace "确定" replace "$src"
expect "replace: exit status 0" equals "$(status_of replace)" 0
expect "replace: interfaces in /etc/network" cmp -s "$(etc_of replace /network/interfaces)" "$src/interfaces"
expect "replace: ping.sh in /root" cmp -s "$(pendant replace /root/ping.sh)" "$src/ping.sh"
expect "replace: nothing injected" nothing_injected replace
expect "replace: no pwned beside the source" absent "$work/pwned"
expect "replace: one box" equals "$(box_count replace)" 1
expect "replace: host /etc/network untouched" lacks_line /etc/network/interfaces "# maintenance e2e $$"

# 6. Only interfaces in the source: the second copy fails quietly, both
#    copies are still logged in order.
mkdir -p "$work/only-if" && printf 'auto eth0\n' > "$work/only-if/interfaces"
run replace-half "确定" replace "$work/only-if"
expect "replace-half: interfaces copied" cmp -s "$(etc_of replace-half /network/interfaces)" "$work/only-if/interfaces"
expect "replace-half: no ping.sh" absent "$(pendant replace-half /root/ping.sh)"
expect "replace-half: both copies logged in order" equals "$(cmd_lines replace-half | paste -sd'|')" \
  "/bin/cp $work/only-if/interfaces /etc/network/|/bin/cp $work/only-if/ping.sh /root/"
expect "replace-half: the copy's own error shows" has_line "$work/replace-half.out" "ping.sh"

# 7. Database and workspace to a destination with a blank; the result
#    comes about ten seconds later.
seed_workspace copy
mkdir -p "$(pendant copy "/root/backup dir")"
run copy "确定" copy "/root/backup dir"
expect "copy: database copied" cmp -s "$(pendant copy "/root/backup dir/dravon.db")" "$(data_share copy)/dravon.db"
expect "copy: workspace tree copied" diff -r "$(pendant copy "/root/backup dir/workspace")" "$(data_share copy)/workspace"
expect "copy: Successful!" equals "$(box_texts copy | tail -n 1)" "Successful!"
span=$(span_ms copy)
expect "copy: result about 10 s after confirming (${span} ms)" between "$span" 10000 13000
expect "copy: nothing injected" nothing_injected copy

# 8. A destination that does not exist: the database copy takes its name,
#    the workspace copy fails, and the user is told so.
seed_workspace copy-missing
run copy-missing "确定" copy "/root/new;touch pwned"
expect "copy-missing: database copied to the named file" cmp -s "$(pendant copy-missing "/root/new;touch pwned")" "$(data_share copy-missing)/dravon.db"
expect "copy-missing: Failed!" equals "$(box_texts copy-missing | tail -n 1)" "Failed!"
expect "copy-missing: nothing injected" nothing_injected copy-missing

finish
