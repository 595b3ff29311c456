#!/usr/bin/env bash
# Plants each fault of tests/mutants/faults.py in turn, rebuilds the sanitized test build and runs
# the tests meant to catch it; prints caught or MISSED per fault. Extra arguments pick faults by
# part of their name.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/deps.sh"
build="$here/build-test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERRYMATE_SANITIZE=ON \
  -DFERRYMATE_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
exec /usr/bin/python3 "$here/tests/mutants/faults.py" "$build" "$@"
