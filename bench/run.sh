#!/bin/sh
# Builds ruvok95.exe and floor.exe and measures both under Wine; see bench/README.md.
#   bench/run.sh [--runs N] [--idle SECONDS] [--win98] [--no-build] ...
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
# The harness is imported from e2e/: leave no bytecode there.
export PYTHONDONTWRITEBYTECODE=1
exec /usr/bin/python3 bench/bench.py "$@"
