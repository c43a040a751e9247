#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   ./test.sh             the normal build (build/)
#   ./test.sh --sanitize  the AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/)
#   ./test.sh --no-gui    core, command line and encoders without QtWidgets (build-nogui/)
set -euo pipefail
cd "$(dirname "$0")"
preset=default
case "${1:-}" in
  --sanitize)
    preset=asan
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --no-gui) preset=nogui ;;
  "") ;;
  *) echo "usage: ./test.sh [--sanitize|--no-gui]" >&2; exit 2 ;;
esac
scripts/deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
