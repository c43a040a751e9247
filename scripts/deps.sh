#!/usr/bin/env bash
# Installs what building, running and testing Vordana need, when it is missing (Debian 12).
#   scripts/deps.sh          everything ./run.sh and ./test.sh need
#   scripts/deps.sh --fuzz   that, and clang with libFuzzer for ./test.sh --fuzz
set -euo pipefail

packages=(
  cmake ninja-build g++                 # build tools
  qt6-base-dev qt6-multimedia-dev       # Qt 6 (Core, Widgets, Network, Test, PrintSupport; sound)
  qt6-tools-dev qt6-l10n-tools          # Qt Linguist's lupdate and lrelease: the English texts
  libgtest-dev libgmock-dev             # tests
  libuchardet-dev                       # CUE sheets in legacy encodings: charset detection
  ffmpeg                                # the encoders drive it; ffprobe checks their output
  libtag1-dev pkgconf                   # coder copies tags and cover art with TagLib
  fonts-wqy-microhei                    # Chinese text needs a CJK font
  xvfb xauth                            # the window under a virtual display
  dpkg-dev                              # cpack -G DEB: dpkg-shlibdeps finds the dependencies
  lintian                               # install test: lintian reports no error on the .deb
  desktop-file-utils appstream          # install tests: desktop-file-validate, appstreamcli
  parallel jq                           # install test: the README's recipe for several machines
  dbus-daemon                           # the window's notification test runs a private bus
  groff-base man-db                     # install tests: the manual page without warnings
  time                                  # GNU time (/usr/bin/time -v) for bench/memory-bench.sh
)
if [ "${1:-}" = --fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)  # libFuzzer and clang's sanitizer runtimes
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
