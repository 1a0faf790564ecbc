#!/bin/sh
# Start-up benchmark: launches the tool and a bare program showing the same dialog
# template alternately, N times each (default 15), and prints for each the time from
# launch until its dialog is shown (median, mean, min, max) and the ratio of the
# medians (startup_bench.exe). The tool runs from a directory laid out like the
# service's and starts its scan at once, so everything runs in a private network
# namespace with a wineserver of its own (scripts/in-netns).
#   tools/bench/bench_startup.sh [BUILD-DIR] [N [MAX-RATIO]]
# The suite runs it already inside its namespace, as
#   bench_startup.sh --inside BUILD-DIR N MAX-RATIO
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ "${1:-}" != "--inside" ]; then
    build=$(cd "${1:-$root/build}" && pwd)
    [ $# -gt 0 ] && shift
    export WINEPREFIX="${WINEPREFIX:-$build/bench/wineprefix}"
    exec "$root/scripts/in-netns" sh "$0" --inside "$build" "$@"
fi
build=$2
shift 2

dir="$build/bench/startup"
rm -rf "$dir"
mkdir -p "$dir"
cp "$build/ChangeController.exe" "$build/tools/service/NorrinGlasswayService.exe" "$build/tools/bench/startup_bare.exe" \
    "$build/tools/bench/startup_bench.exe" "$dir/"
printf '[NorrinGlassway]\r\nReset=0\r\nIPAddress=127.0.0.2\r\nRefreshRate=30000\r\n' >"$dir/GlasswayConfig.ini"
"$root/scripts/winerun" "$dir/startup_bench.exe" "$@" </dev/null
