#!/bin/sh
# Installs the scanner driver into a Wine prefix (64-bit), creating the
# prefix when it is missing. Copies whatever of the built files exist now;
# running it again brings the prefix up to date. The user's kmscan32.ini is
# never touched, nor a vscanner.ini already there.
# Usage: tools/wine-install.sh PREFIX BIN_DIR
set -eu
[ $# -eq 2 ] || { echo "usage: $0 PREFIX BIN_DIR" >&2; exit 2; }
prefix=$1
bin=$2
here=$(cd "$(dirname "$0")" && pwd)
resources="$here/../resources"
[ -d "$bin" ] || { echo "$0: no folder $bin" >&2; exit 1; }

sh "$here/wine-prefix.sh" "$prefix"
windows="$prefix/drive_c/windows"
mkdir -p "$windows/twain_64" "$windows/TWAIN_32_64"

missing=""
# install FILE TARGET: copies a built file, or notes that it is not built yet.
install() {
    if [ -f "$bin/$1" ]; then
        cp -f "$bin/$1" "$2.new" && mv -f "$2.new" "$2"
    else
        missing="$missing $1"
    fi
}

# Wine's source manager finds a 64-bit source only as sane.ds (or
# gphoto2.ds) in twain_64; the driver, the dialog and its support library
# live in the same folder, which 7d32.ini names as PATH.
install km7d32.ds "$windows/twain_64/sane.ds"
for file in tevran.dll morlin.dll Simple.dll pradel.dll; do
    install "$file" "$windows/twain_64/$file"
done
# The companion program sits in the driver folder as the source rewrites
# it: \twain_64\ becomes \TWAIN_32_64\.
install vostel32.exe "$windows/TWAIN_32_64/vostel32.exe"
for file in btn32d10.dll LTKRN60N.dll LTFIL60N.dll Pics32.dll; do
    install "$file" "$windows/$file"
done
# The source loads C:\windows\TWAIN_32.DLL by path to notify the
# application; in a 64-bit prefix that needs the built-in's placeholder.
cp -f "$windows/system32/twain_32.dll" "$windows/twain_32.dll"

# Installed INI files have Windows line endings.
crlf() {
    sed 's/\r*$/\r/' "$1" > "$2.new" && mv -f "$2.new" "$2"
}
crlf "$resources/7d32.ini" "$windows/7d32.ini"
crlf "$resources/easy.ini" "$windows/easy.ini"
[ -f "$windows/vscanner.ini" ] || crlf "$resources/vscanner.ini" "$windows/vscanner.ini"

# The logo the source shows while it connects the scanner.
if [ -f "$bin/makelogo.exe" ]; then
    sh "$here/wine-run.sh" "$prefix" "$bin/makelogo.exe" 'C:\windows\kmlogo.km' \
        || echo "$0: makelogo.exe failed; no logo installed" >&2
else
    missing="$missing makelogo.exe"
fi

[ -z "$missing" ] || echo "not built yet, not installed:$missing"
exit 0
