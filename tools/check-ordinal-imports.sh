#!/bin/sh
# Checks that a program or DLL imports the given ordinals of a DLL by number.
# Usage: tools/check-ordinal-imports.sh OBJDUMP FILE DLL ORDINAL...
set -eu
objdump=$1
file=$2
dll=$3
shift 3
# The import table lists "vma  hint/ordinal  name"; an import by ordinal has
# the name "<none>" and its ordinal in the low 16 bits of the entry (the first
# column, hexadecimal; the second is printed differently by architecture).
imported=""
for hex in $("$objdump" -p "$file" | awk -v dll="$dll" '
    /DLL Name:/ { inside = (tolower($3) == tolower(dll)); next }
    inside && NF == 0 { inside = 0 }
    inside && $3 == "<none>" { print substr($1, length($1) - 3) }'); do
    imported="$imported $((0x$hex))"
done
status=0
for ordinal in "$@"; do
    if printf '%s\n' $imported | grep -qx "$ordinal"; then
        echo "imported by ordinal: $dll @$ordinal"
    else
        echo "NOT imported by ordinal: $dll @$ordinal in $file" >&2
        status=1
    fi
done
exit $status
