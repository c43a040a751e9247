#!/usr/bin/env bash
# Builds and runs the long-list benchmark (offscreen): 10,000 files added by the folder scan, a
# row removed from the middle, the list cleared. Prints each time.
#   bench/list-bench.sh [FILES]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target list_bench >/dev/null
build/bench/list_bench "${1:-10000}"
