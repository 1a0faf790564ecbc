#!/bin/sh
# Engine benchmark: for N = 10, 100, 1000 and 5000 simulated controllers, the time from
# the first SendBroadcast until all N are in the engine's table, the entries missing,
# and the engine's memory; once with answers spread over the query's answer window (as
# controllers answer) and once with every controller answering at once.
# Runs in a private network namespace with a wineserver of its own (scripts/in-netns).
#   tools/simulator/bench_engine.sh [BUILD-DIR] [N...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
control=127.0.0.1:47291
if [ "${1:-}" != "--inside" ]; then
    build=$(cd "${1:-$root/build}" && pwd)
    [ $# -gt 0 ] && shift
    export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
    exec "$root/scripts/in-netns" "$root/scripts/with-simulator" "$control" "$build/tools/simulator/nrsim" \
        -- sh "$0" --inside "$build" "$@"
fi
build=$2
shift 2
[ $# -gt 0 ] || set -- 10 100 1000 5000

bench="$build/tools/simulator/engine_bench.exe"
status=0
"$root/scripts/winerun" "$bench" "$control" "$@" </dev/null || status=1
"$root/scripts/winerun" "$bench" "$control" burst "$@" </dev/null || status=1
exit $status
