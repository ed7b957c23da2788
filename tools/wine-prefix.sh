#!/bin/sh
# Creates a Wine prefix for the project (null graphics driver, so windows,
# dialogs, timers and message loops work without a display). Harmless when
# the prefix exists. Usage: tools/wine-prefix.sh PREFIX
set -eu
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
mkdir -p "$1"
WINEPREFIX=$(cd "$1" && pwd)
export WINEPREFIX
export WINEDEBUG=-all
# No Mono or Gecko installers: the project needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
if [ ! -f "$WINEPREFIX/.tovrin-prefix" ]; then
    "$WINE" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$WINESERVER" -w
    touch "$WINEPREFIX/.tovrin-prefix"
fi
