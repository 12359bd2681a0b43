#!/bin/sh
# Builds ruvok95.exe and runs it under Wine (on a virtual display when there is no
# DISPLAY). Installs what is missing first (as root). Arguments go to the program.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build-windows.sh
RUVOK_E2E_CACHE="$PWD/build/wine" exec python3 scripts/run.py build/windows/ruvok95.exe "$@"
