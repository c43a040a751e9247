#!/usr/bin/env bash
# Installs what building, running and testing Vordana need, when it is missing (Debian 12).
set -euo pipefail

packages=(
  cmake ninja-build g++                 # build tools
  qt6-base-dev qt6-multimedia-dev       # Qt 6 (Core, Widgets, Network, Test, PrintSupport; sound)
  libgtest-dev libgmock-dev             # tests
  ffmpeg                                # the encoders drive it; ffprobe checks their output
  libtag1-dev pkgconf                   # coder copies tags and cover art with TagLib
  fonts-wqy-microhei                    # Chinese text needs a CJK font
  xvfb xauth                            # the window under a virtual display
  time                                  # GNU time (/usr/bin/time -v) for bench/memory-bench.sh
)

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
