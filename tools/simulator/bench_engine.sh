#!/bin/sh
# Engine benchmark: for N = 10, 100, 1000 and 5000 simulated controllers, the time from
# the first SendBroadcast until all N are in the engine's table, the entries missing,
# and the engine's memory; once with answers spread over the query's answer window (as
# controllers answer) and once with every controller answering at once.
# With --sweep: N (default 1000) controllers spread over 127.1.0.0/16, found by a
# unicast sweep of that /16 at the default pace.
# Runs in a private network namespace with a wineserver of its own (scripts/in-netns).
#   tools/simulator/bench_engine.sh [BUILD-DIR] [--sweep] [N...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
control=127.0.0.1:47291
if [ "${1:-}" != "--inside" ]; then
    if [ "${1:-}" = "--sweep" ] || [ $# -eq 0 ]; then
        build=$(cd "$root/build" && pwd)
    else
        build=$(cd "$1" && pwd)
        shift
    fi
    export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
    exec "$root/scripts/in-netns" "$root/scripts/with-simulator" "$control" "$build/tools/simulator/nrsim" \
        -- sh "$0" --inside "$build" "$@"
fi
build=$2
shift 2
bench="$build/tools/simulator/engine_bench.exe"
if [ "${1:-}" = "--sweep" ]; then
    shift
    [ $# -gt 0 ] || set -- 1000
    exec "$root/scripts/winerun" "$bench" "$control" sweep "$@" </dev/null
fi
[ $# -gt 0 ] || set -- 10 100 1000 5000

status=0
"$root/scripts/winerun" "$bench" "$control" "$@" </dev/null || status=1
"$root/scripts/winerun" "$bench" "$control" burst "$@" </dev/null || status=1
exit $status
