#!/bin/sh
# Builds the unit tests on the simulated machine twice more, with the address and
# undefined-behaviour sanitizers (build/asan) and with the thread sanitizer
# (build/tsan), and runs the whole unit suite in each. Any finding fails its test.
# Installs what is missing first (as root).
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh

cmake -S . -B build/asan -DRUVOK_SANITIZE=address,undefined >/dev/null
cmake --build build/asan -j 2
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j 2

# The simulated machine runs the program on a thread of its own and the tray icon
# starts one per click, so the whole suite runs here too.
cmake -S . -B build/tsan -DRUVOK_SANITIZE=thread >/dev/null
cmake --build build/tsan -j 2
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/tsan --output-on-failure -j 2
