#!/bin/sh
# Prepares the Wine prefix of twscan's own tests: the fake source installed
# where Wine's source manager looks for 64-bit sources.
# Usage: tests/twscan/install-fake.sh PREFIX BIN_DIR
set -eu
[ $# -eq 2 ] || { echo "usage: $0 PREFIX BIN_DIR" >&2; exit 2; }
here=$(dirname "$0")
sh "$here/../../tools/wine-prefix.sh" "$1"
windows="$1/drive_c/windows"
mkdir -p "$windows/twain_64"
cp -f "$2/fakesource.ds" "$windows/twain_64/sane.ds"
rm -f "$windows/fakesource.ini" "$windows/fakesource.log"
