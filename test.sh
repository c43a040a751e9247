#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   ./test.sh             the normal build (build/)
#   ./test.sh --sanitize  the AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/)
#   ./test.sh --no-gui    core, command line and encoders without QtWidgets (build-nogui/)
#   ./test.sh --fuzz      the fuzz targets built with clang and libFuzzer (build-fuzz/), each run
#                         for FUZZ_SECONDS (30 unless set); fails on a finding
set -euo pipefail
cd "$(dirname "$0")"
preset=default
deps=()
case "${1:-}" in
  --sanitize)
    preset=asan
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --no-gui) preset=nogui ;;
  --fuzz)
    preset=fuzz
    deps=(--fuzz)
    ;;
  "") ;;
  *) echo "usage: ./test.sh [--sanitize|--no-gui|--fuzz]" >&2; exit 2 ;;
esac
scripts/deps.sh "${deps[@]}"
cmake --preset "$preset"
cmake --build --preset "$preset"
if [ "$preset" = fuzz ]; then
  exec tests/fuzz/run.sh
fi
ctest --preset "$preset" -j2
