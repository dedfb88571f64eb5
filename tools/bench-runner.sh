#!/usr/bin/env bash
# Benchmark of the command runner on this machine (no simulated pendant
# needed: it runs only sleep, head and yes): commands still alive after
# COUNT of them were ended at a 20 ms limit, the time to read 10 MB of
# output against popen() in the same run (ratio), and the memory held for
# an endless writer under a 2 s and a 1 s limit.
#   tools/bench-runner.sh [COUNT]      (default 1000)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bench=$top/build/tests/bench_command_runner
[ -x "$bench" ] || { echo "build first: tools/setup.sh" >&2; exit 1; }
"$bench" "${1:-1000}"
