#!/bin/sh
# The main command: sets up a new machine, builds the 64-bit driver,
# installs it into a Wine prefix of its own and scans the virtual scanner's
# built-in page into a BMP file (scan1.bmp in the current folder unless
# --out says otherwise). Options are twscan's; they come after the defaults
# used here (--source Tovrin --xfer memory --pixel rgb --dpi 150), so any of them can be
# changed. Paths given to --out and --log are the caller's paths.
# Usage: tools/scan.sh [twscan options]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
prefix="$root/build/x86_64/scan-prefix"
bin="$root/build/x86_64/bin"

# A path of the caller as the Windows programs in the prefix see it: the
# whole file system is drive Z:. Windows paths pass as they are.
to_windows() {
    case $1 in
        [A-Za-z]:*|\\*) printf '%s' "$1"; return ;;
        /*) path=$1 ;;
        *) path="$PWD/$1" ;;
    esac
    printf 'Z:%s' "$(printf '%s' "$path" | sed 's|/|\\|g')"
}

# And back, for the message that tells where the image is.
to_unix() {
    case $1 in
        [Zz]:*) printf '%s' "${1#??}" | sed 's|\\|/|g' ;;
        [Cc]:*) printf '%s/drive_c%s' "$prefix" "$(printf '%s' "${1#??}" | sed 's|\\|/|g')" ;;
        *) printf '%s' "$1" ;;
    esac
}

# Rebuild the arguments with the caller's paths translated.
count=$#
i=0
while [ "$i" -lt "$count" ]; do
    arg=$1
    shift
    i=$((i + 1))
    case $arg in
        --out|--log)
            if [ "$i" -lt "$count" ]; then
                value=$1
                shift
                i=$((i + 1))
                set -- "$@" "$arg" "$(to_windows "$value")"
            else
                set -- "$@" "$arg"
            fi
            ;;
        --out=*|--log=*)
            set -- "$@" "${arg%%=*}" "$(to_windows "${arg#*=}")"
            ;;
        *)
            set -- "$@" "$arg"
            ;;
    esac
done

sh "$root/tools/setup.sh"
(cd "$root" && cmake --preset x86_64 >/dev/null && cmake --build --preset x86_64)
sh "$root/tools/wine-install.sh" "$prefix" "$bin"

stop_server() {
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
}
trap stop_server EXIT

output="$root/build/x86_64/scan-output.txt"
status=0
sh "$root/tools/wine-run.sh" "$prefix" "$bin/twscan.exe" --dismiss --xfer memory --pixel rgb --dpi 150 \
    --source Tovrin --out "$(to_windows scan%d.bmp)" "$@" > "$output" || status=$?
cat "$output"
sed -n 's/^image [0-9]*: [0-9]*x[0-9]*, [0-9]* bits, //p' "$output" | while IFS= read -r file; do
    echo "scan.sh: saved $(to_unix "$file")"
done
exit $status
