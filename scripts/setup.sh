#!/bin/sh
# Installs what building, testing and the demo need, from Debian's packages, when missing;
# further packages a script needs besides may be named as arguments. When everything is
# installed it asks dpkg once and apt not at all, so that every test run may call it.
set -eu
packages="cmake make python3 python3-pefile osslsigncode openssl iproute2 util-linux googletest clang-format-19
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
wine wine64 fonts-wine xvfb xauth x11-apps xdotool imagemagick g++ ansible-core $*"
# One query for all: a name dpkg does not know is left out of its answer (and makes it
# exit 1), one that is removed or half installed answers with another status.
installed=" $(dpkg-query -W -f='${Package} ${Status}\n' $packages 2>/dev/null |
    sed -n 's/ install ok installed$//p' | tr '\n' ' ')"
missing=""
for package in $packages; do
    case "$installed" in
    *" $package "*) ;;
    *) missing="$missing $package" ;;
    esac
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
