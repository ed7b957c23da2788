#!/bin/sh
# The test command: set-up, both builds, the tests under wine64 and the
# 32-bit build's checks.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake --preset x86_64
cmake --build --preset x86_64
ctest --preset x86_64
cmake --preset i686
cmake --build --preset i686
ctest --preset i686
