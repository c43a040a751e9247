#!/usr/bin/env bash
# Builds the Debian package from a fresh build folder (Release, without the tests) and prints
# the .deb's path as the last line.
#   scripts/build-deb.sh [BUILD_DIR]    default: build-deb/ (removed first)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build-deb}")
scripts/deps.sh >&2
rm -rf "$build"
# -O2 as Debian builds its packages (CMake's Release default, -O3, trips GCC 12's false
# -Wrestrict warnings inside std::string, which are errors here).
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DVORDANA_BUILD_TESTS=OFF -DVORDANA_WERROR=ON >&2
cmake --build "$build" >&2
(cd "$build" && cpack -G DEB) >&2
deb=$(find "$build" -maxdepth 1 -name '*.deb' -print -quit)
[ -n "$deb" ] || { echo "build-deb: cpack made no .deb" >&2; exit 1; }
echo "$deb"
