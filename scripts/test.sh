#!/bin/sh
# The one command that installs, builds and runs every test. The tests run inside a
# private network namespace with a wineserver of its own.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
BUILD_DIR="$build" "$root/scripts/build.sh"
export WINEPREFIX="$build/wineprefix"
exec "$root/scripts/in-netns" ctest --test-dir "$build" --output-on-failure --timeout 600 "$@"
