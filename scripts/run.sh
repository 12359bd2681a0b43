#!/bin/sh
# Builds ruvok95.exe and runs it under Wine (on a virtual display when there is no
# DISPLAY). Installs what is missing first (as root). Arguments go to the program.
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/windows -j 2
RUVOK_E2E_CACHE="$PWD/build/wine" exec python3 scripts/run.py build/windows/ruvok95.exe "$@"
