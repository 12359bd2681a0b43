#!/bin/sh
# Builds the fuzzers in fuzz/ with clang, libFuzzer and the address and
# undefined-behaviour sanitizers (build/fuzz), and runs each for a bounded time,
# starting from its committed seeds. A crash, a hang, a leak or a failed check fails
# the script; what caused it is left in build/fuzz/artifacts/. Installs what is
# missing first (as root).
#
#   scripts/fuzz.sh [SECONDS]     (default 60 per fuzzer)
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
seconds=${1:-60}
fuzzers="paramstr getexedirectory"

cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DRUVOK_FUZZ=ON -DRUVOK_SANITIZE=address,undefined >/dev/null
# Only the fuzzers, not the test binary. The target names are a list: split it.
# shellcheck disable=SC2046,SC2086
cmake --build build/fuzz -j 2 --target $(printf 'fuzz_%s ' $fuzzers)

for name in $fuzzers; do
  # The fuzzer adds what it finds to its corpus: a copy in the build tree, so the
  # committed seeds stay as they are.
  corpus=build/fuzz/corpus/$name
  artifacts=build/fuzz/artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  cp fuzz/corpus/"$name"/* "$corpus"/
  log=build/fuzz/$name.log
  echo "fuzz.sh: $name for $seconds s, log in $log"
  if ! "build/fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz.sh: $name failed; the input that did it is in $artifacts/" >&2
    exit 1
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|Done|stat::)' "$log"
done
