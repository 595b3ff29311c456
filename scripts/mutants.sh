#!/usr/bin/env bash
# Plants each fault of tests/mutants/faults.py in turn, rebuilds the sanitized test build and runs
# the tests meant to catch it; prints caught or MISSED per fault. Extra arguments pick faults by
# part of their name. The whole suite runs first: a fault means something only against tests that
# pass without it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/test.sh" >/dev/null
export QT_QPA_PLATFORM=offscreen
exec /usr/bin/python3 "$here/tests/mutants/faults.py" "$here/build-test" "$@"
