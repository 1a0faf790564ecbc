#!/bin/sh
# Installs what building, testing and the demo need, from Debian's packages, when missing;
# further packages a script needs besides may be named as arguments.
set -eu
packages="cmake make python3 python3-pefile osslsigncode openssl iproute2 util-linux googletest clang-format-19
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
wine wine64 fonts-wine xvfb xauth x11-apps xdotool imagemagick g++ $*"
missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
