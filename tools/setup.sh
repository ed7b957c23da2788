#!/bin/sh
# Installs what a new Debian machine lacks to build and run the project:
# the mingw-w64 cross compilers, Wine 8 (64-bit), CMake and GoogleTest.
set -eu
packages="cmake make googletest wine64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 xvfb xauth"
missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
