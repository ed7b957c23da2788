#!/bin/sh
# Checks that a DLL exports each name at the given ordinal.
# Usage: tools/check-ordinals.sh OBJDUMP DLL NAME=ORDINAL...
set -eu
objdump=$1
dll=$2
shift 2
dump=$("$objdump" -p "$dll")
# "[Ordinal/Name Pointer] Table" lists "[ index] name"; the export address
# table lists "[ index] +base[ ordinal] rva".
names=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
addresses=$(printf '%s\n' "$dump" | sed -n '/^Export Address Table -- Ordinal Base/,/^$/p')
status=0
for pair in "$@"; do
    name=${pair%%=*}
    ordinal=${pair#*=}
    index=$(printf '%s\n' "$names" | sed -n "s/^[[:space:]]*\[ *\([0-9]*\)\] $name\$/\1/p")
    if [ -n "$index" ] && printf '%s\n' "$addresses" |
        grep -Eq "^[[:space:]]*\[ *$index\] \+base\[ *$ordinal\] "; then
        echo "exported: $name @$ordinal"
    else
        echo "MISSING export: $name @$ordinal in $dll" >&2
        status=1
    fi
done
exit $status
