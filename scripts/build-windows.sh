#!/bin/sh
# Installs what is missing (as root) and builds ruvok95.exe in build/windows.
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/windows -j 2
