#!/usr/bin/env bash
# The gate of rescue mode on the simulated pendant with the real ping and
# mount: controller answering, silent, without route, shares already
# mounted, mount points missing.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"

. "$here/lib/tool.sh"
e2e_begin rescue-gate
command -v sqlite3 >/dev/null || skip_all "sqlite3 is not installed (tools/setup.sh)"

. "$here/lib/rescue.sh"

tool_stick "$work/stick"
menu='程序进入抢救模式！\n请选择抢救流程：'
network='示教器无法连接到主机\n\n请检查示教器到控制器的硬件线路连接，或检查控制器硬盘是否损坏。\n请参考标准作业流程。'
shares='工作空间挂载失败\n\n网络链路正常，工作空间挂载异常。\n请检查控制器软件执行权限或NFS服务状态是否正常。\n请联系厂家技术服务支持。'
passed=$'0 正在检查网络状态...\n0 正在挂载工作空间...\n20 正在挂载工作空间...\n20 挂载完成。\n100 挂载完成。'

# 1. The controller answers: four pings take about three seconds.
rescue up "取消" "$work/stick"
expect "up: progress 0, 20, 100" equals "$(steps up)" "$passed"
expect "up: the menu, then nothing" equals "$(box_texts up)" "$menu"
ping_ms=$(progress_ms up '正在挂载工作空间...')
echo "    ping of an answering controller: ${ping_ms} ms"
expect "up: ping ended within the limit" between "$ping_ms" 2500 5000

# 2. A silent controller: ping is stopped at the limit.
rescue silent "" "$work/stick" --controller silent
expect "silent: network box only" equals "$(box_texts silent)" "$network"
expect "silent: progress stopped at the first step" equals "$(steps silent)" "0 正在检查网络状态..."
silent_ms=$(box_ms silent "$network")
echo "    network box after a silent controller: ${silent_ms} ms"
expect "silent: box after about 5 s" between "$silent_ms" 4900 6500

# 3. No route: ping fails at once, so the mounts are tried and fail.
rescue noroute "" "$work/stick" --controller unreachable
expect "no route: shares box only" equals "$(box_texts noroute)" "$shares"
noroute_ms=$(box_ms noroute "$shares")
echo "    shares box without a route: ${noroute_ms} ms"
expect "no route: no wait for ping" between "$noroute_ms" 0 2000

# 4. The shares are already mounted from an earlier run.
rescue premounted "取消" "$work/stick" --premount
expect "premounted: passes to the menu" equals "$(box_texts premounted)" "$menu"
expect "premounted: progress 0, 20, 100" equals "$(steps premounted)" "$passed"

# 5. No mount points on the pendant: they are created, then mounted.
rescue nomountpoints "取消" "$work/stick" --no-mountpoints
expect "no mount points: passes to the menu" equals "$(box_texts nomountpoints)" "$menu"
expect "no mount points: data share mount point created" test -d "$work/nomountpoints/pendant/upper/home/ostrel/nfs_space"
expect "no mount points: workspace mount point created" test -d "$work/nomountpoints/pendant/upper/home/ostrel/workspace"

finish
