#!/bin/sh
# Builds the release an administrator takes, from a clean build directory:
# dist/ChangeController-VERSION-win64.zip with both programs, the administrator's guide,
# the licence notices of the runtime linked into them and SHA256SUMS; prints the zip's
# SHA-256. The same commit always gives the same bytes: the zip's times come from the
# commit's date, and scripts/check-reproducible.sh compares two builds.
#
#   release.sh [--sign KEY.pfx [--timestamp URL]]
#
# --sign signs both programs with the code-signing key and certificate in KEY.pfx
# (Authenticode, SHA-256; scripts/sign.sh) before they are summed and zipped; the key's
# password, if any, comes from the environment variable SIGN_PASSWORD. The signing time
# is the commit's date, so the same commit signed with the same key gives the same zip.
# --timestamp has the time-stamp authority at URL countersign each signature, as a
# published release should (the signature then outlives the certificate); that zip is
# not reproducible, as the authority's answer differs each time.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: release.sh [--sign KEY.pfx [--timestamp URL]]" >&2; exit 2; }
sign_key="" timestamp=""
while [ $# -gt 0 ]; do
    case $1 in
    --sign) [ $# -ge 2 ] || usage; sign_key=$2; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2 ;;
    *) usage ;;
    esac
done
if [ -n "$timestamp" ] && [ -z "$sign_key" ]; then
    echo "release.sh: --timestamp goes with --sign" >&2
    exit 2
fi
if [ -n "$sign_key" ]; then
    [ -f "$sign_key" ] || { echo "release.sh: no key file $sign_key" >&2; exit 2; }
    sign_key=$(cd "$(dirname "$sign_key")" && pwd)/$(basename "$sign_key")
fi
build="${RELEASE_BUILD_DIR:-$root/build-release}"
dist="$root/dist"
host=x86_64-w64-mingw32

"$root/scripts/setup.sh" git

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct) ||
        { echo "release.sh: not a git clone; set SOURCE_DATE_EPOCH to the commit's date" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "release.sh: warning: uncommitted changes are built in; this zip is not the commit's" >&2
fi

# Only the two programs, stripped: the static runtime's debug records would add a
# megabyte of nothing an administrator uses.
rm -rf "$build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=-s >/dev/null
cmake --build "$build" -j"$(nproc)" --target ChangeController ChangeControllerCmd

version=$(sed -n 's/^#define CC_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/version.h")
[ -n "$version" ] || { echo "release.sh: no version in $build/generated/version.h" >&2; exit 1; }
name="ChangeController-$version"
stage="$build/stage/$name"
mkdir -p "$stage/licenses"

for program in ChangeController ChangeControllerCmd; do
    # A path of this machine inside a program would tell where it was built, and
    # would differ between two clones.
    if "$host-strings" -a "$build/$program.exe" | grep -F -e "$root" -e "$build"; then
        echo "release.sh: $program.exe holds a build path (above)" >&2
        exit 1
    fi
    cp "$build/$program.exe" "$stage/"
done
if [ -n "$sign_key" ]; then
    "$root/scripts/sign.sh" "$sign_key" "$SOURCE_DATE_EPOCH" ${timestamp:+--timestamp "$timestamp"} \
        "$stage/ChangeController.exe" "$stage/ChangeControllerCmd.exe"
    echo "signed both programs with $sign_key"
fi

# Text for Notepad: CRLF line ends.
crlf() { sed 's/$/\r/' "$@"; }
crlf "$root/docs/ADMIN-GUIDE.txt" >"$stage/ADMIN-GUIDE.txt"
{
    echo "Both programs are linked statically with the mingw-w64 runtime: its C runtime"
    echo "start-up code and the winpthreads library. Their copyright and licence notice, as"
    echo "Debian's mingw-w64-x86-64-dev package gives it, follows."
    echo
    cat /usr/share/doc/mingw-w64-x86-64-dev/copyright
} | crlf >"$stage/licenses/mingw-w64-runtime.txt"
{
    echo "Both programs are linked statically with GCC's runtime libraries libgcc and"
    echo "libstdc++, under the GCC Runtime Library Exception. Their copyright and licence"
    echo "notice, as Debian's gcc-mingw-w64-base package gives it, follows."
    echo
    cat /usr/share/doc/gcc-mingw-w64-base/copyright
} | crlf >"$stage/licenses/gcc-runtime.txt"

(cd "$stage" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
    xargs sha256sum >SHA256SUMS)

mkdir -p "$dist"
zip="$dist/$name-win64.zip"
rm -f "$zip"
python3 "$root/scripts/pack-zip.py" "$zip" "$stage" "$SOURCE_DATE_EPOCH"
echo "$zip:"
python3 -c 'import sys, zipfile
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    print(f"  {info.file_size:>9}  {info.filename}")' "$zip"
echo "$(wc -c <"$zip") bytes"
sha256sum "$zip" | cut -d' ' -f1
