#!/usr/bin/env bash
# Builds the libFuzzer targets of the FTP component's parsers with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for SECONDS (default 600), both at once.
# Usage: scripts/fuzz.sh [SECONDS]
# New inputs collect in build-fuzz/corpus/NAME; a crash leaves build-fuzz/crash-* and fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build="$here/build-fuzz"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFERRYMATE_FUZZ=ON -DFERRYMATE_SANITIZE=ON -DFERRYMATE_TESTS=ON >/dev/null
cmake --build "$build" --target fuzz_listing fuzz_reply -j "$(nproc)"

pids=()
for name in listing reply; do
  mkdir -p "$build/corpus/$name"
  (
    cd "$build"
    ASAN_OPTIONS=detect_leaks=1 "./tests/fuzz/fuzz_$name" -max_total_time="$seconds" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      "corpus/$name" "$here/tests/fuzz/corpus/$name" >"fuzz_$name.log" 2>&1
  ) &
  pids+=($!)
done
status=0
for i in 0 1; do
  name=$([ "$i" -eq 0 ] && echo listing || echo reply)
  if wait "${pids[$i]}"; then
    echo "fuzz_$name: no finding in ${seconds}s ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz_$name.log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz_$name: FINDING, see $build/fuzz_$name.log"
    status=1
  fi
done
exit $status
