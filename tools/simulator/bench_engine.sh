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
if [ "${1:-}" != "--inside" ]; then
    build=$(cd "${1:-$root/build}" && pwd)
    [ $# -gt 0 ] && shift
    export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
    exec "$root/scripts/in-netns" sh "$0" --inside "$build" "$@"
fi
build=$2
shift 2
[ $# -gt 0 ] || set -- 10 100 1000 5000

nrsim="$build/tools/simulator/nrsim"
bench="$build/tools/simulator/engine_bench.exe"
control=127.0.0.1:47291
log=$(mktemp)
"$nrsim" --control "$control" >"$log" 2>&1 </dev/null &
simulator=$!
trap 'kill $simulator 2>/dev/null || true; rm -f "$log"' EXIT
until grep -q "answering on" "$log"; do sleep 0.05; done

# The first Wine program starts the prefix's services; keep them off our output.
"$root/scripts/winerun" cmd /c exit </dev/null >/dev/null 2>&1 || true
status=0
"$root/scripts/winerun" "$bench" "$control" "$@" </dev/null || status=1
"$root/scripts/winerun" "$bench" "$control" burst "$@" </dev/null || status=1
exit $status
