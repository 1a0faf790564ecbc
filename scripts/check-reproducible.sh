#!/bin/sh
# Checks that a release is reproducible: clones the current commit twice, into two
# temporary folders at different paths, runs scripts/release.sh in each one after the
# other (so at different times), and compares the two zips byte for byte. Prints how
# long each build took. Exit 0 when the zips are identical.
#
#   check-reproducible.sh [--sign KEY.pfx]
#
# --sign has both builds sign their programs with that key (SIGN_PASSWORD as for
# release.sh), to check that signing keeps the zip reproducible.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
sign=""
case $# in
0) ;;
2) [ "$1" = --sign ] && [ -f "$2" ] || { echo "usage: check-reproducible.sh [--sign KEY.pfx]" >&2; exit 2; }
   sign=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") ;;
*) echo "usage: check-reproducible.sh [--sign KEY.pfx]" >&2; exit 2 ;;
esac
commit=$(git -C "$root" rev-parse HEAD)
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "check-reproducible.sh: note: uncommitted changes are not part of the comparison" >&2
fi

work=$(mktemp -d /tmp/cc-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
first="$work/first"
second="$work/second/at/another/depth"

build_in() {
    git clone -q "$root" "$1"
    git -C "$1" checkout -q --detach "$commit"
    started=$(date +%s)
    "$1/scripts/release.sh" ${sign:+--sign "$sign"} >"$1.log" 2>&1 || { cat "$1.log" >&2; exit 1; }
    echo "built in $1 in $(($(date +%s) - started)) s at $(date -u +%H:%M:%S) UTC: $(tail -n 1 "$1.log")"
}

echo "commit $commit${sign:+, signed with $sign}"
build_in "$first"
build_in "$second"

zip_first=$(ls "$first"/dist/*.zip)
zip_second=$(ls "$second"/dist/*.zip)
if [ "$(basename "$zip_first")" = "$(basename "$zip_second")" ] && cmp "$zip_first" "$zip_second"; then
    echo "identical: $(basename "$zip_first"), $(wc -c <"$zip_first") bytes"
else
    echo "check-reproducible.sh: the two zips differ; their entries' sizes and CRCs:" >&2
    unzip -v "$zip_first" | tail -n +2 >"$work/first.entries"
    unzip -v "$zip_second" | tail -n +2 >"$work/second.entries"
    diff "$work/first.entries" "$work/second.entries" >&2 || true
    exit 1
fi
