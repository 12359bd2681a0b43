#!/bin/sh
# Builds the program for Windows and for the simulated machine and runs every test:
# the unit tests on the simulated machine and the end-to-end tests of the real
# ruvok95.exe under Wine; then the unit tests again under the sanitizers, and each
# fuzzer for a minute. Installs what is missing first (as root).
set -eu
cd "$(dirname "$0")/.."
sh scripts/build-windows.sh
cmake -S . -B build/native -DRUVOK_WINDOWS_BUILD="$PWD/build/windows" >/dev/null
cmake --build build/native -j 2
ctest --test-dir build/native --output-on-failure -j 2
sh scripts/sanitize.sh
sh scripts/fuzz.sh 60
