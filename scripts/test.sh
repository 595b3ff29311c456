#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test through CTest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/deps.sh"
build="$here/build-test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERRYMATE_SANITIZE=ON \
  -DFERRYMATE_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j 2 "$@"
