#!/bin/sh
# Checks that a DLL exports the given names undecorated.
# Usage: tools/check-exports.sh OBJDUMP DLL NAME...
set -eu
objdump=$1
dll=$2
shift 2
table=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
status=0
for name in "$@"; do
    if printf '%s\n' "$table" | grep -Eq "\] $name\$"; then
        echo "exported: $name"
    else
        echo "MISSING export: $name in $dll" >&2
        status=1
    fi
done
exit $status
