#!/bin/sh
# Lays out the end-to-end tests' Wine prefix: whatever an earlier, broken
# run left behind goes, then the driver is installed as a user installs it.
# Usage: tests/e2e/prepare-prefix.sh PREFIX BIN_DIR
set -eu
[ $# -eq 2 ] || { echo "usage: $0 PREFIX BIN_DIR" >&2; exit 2; }
windows="$1/drive_c/windows"
for file in vscanner.ini kmscan32.ini apsetup.ini kmintray.ini vscanner.log vostel32.log KMDIB.BMP kmpre.bmp; do
    rm -f "$windows/$file"
done
sh "$(dirname "$0")/../../tools/wine-install.sh" "$1" "$2"
