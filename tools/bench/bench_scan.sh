#!/bin/sh
# Scan benchmark of the main dialog: for N = 10, 100, 1000 and 5000 simulated
# controllers, opens the real dialog with the real engine (scan_bench.exe, one process
# per N) and prints a table: time from StartScan until all N are listed, the longest
# and mean timer tick, rows missing, memory growth, and fill and sort timed apart.
# Runs in a private network namespace with a wineserver of its own (scripts/in-netns);
# the dialog broadcasts to the local host's address, the simulator answers from
# 127.0.0.2 up.
#   tools/bench/bench_scan.sh [BUILD-DIR] [N...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
control=127.0.0.1:47292
if [ "${1:-}" != "--inside" ]; then
    build=$(cd "${1:-$root/build}" && pwd)
    [ $# -gt 0 ] && shift
    export WINEPREFIX="${WINEPREFIX:-$build/bench/wineprefix}"
    exec "$root/scripts/in-netns" "$root/scripts/with-simulator" "$control" "$build/tools/simulator/nrsim" \
        --idle-exit 300 -- sh "$0" --inside "$build" "$@"
fi
build=$2
shift 2
[ $# -gt 0 ] || set -- 10 100 1000 5000

bench="$build/tools/bench/scan_bench.exe"
status=0
"$root/scripts/winerun" "$bench" --header </dev/null
for count in "$@"; do
    "$root/scripts/winerun" "$bench" "$control" "$count" </dev/null || status=1
done
exit $status
