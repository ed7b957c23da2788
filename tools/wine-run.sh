#!/bin/sh
# Runs a Windows program under wine64 in the given prefix, creating the prefix
# first when needed. Usage: tools/wine-run.sh PREFIX PROGRAM [ARGS...]
set -eu
[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
prefix=$1
shift
here=$(dirname "$0")
[ -f "$prefix/.tovrin-prefix" ] || sh "$here/wine-prefix.sh" "$prefix"
WINEPREFIX=$(cd "$prefix" && pwd)
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
unset DISPLAY
exec /usr/lib/wine/wine64 "$@"
