#!/usr/bin/env bash
# Starts the window on a virtual display and saves a picture of it.
#   scripts/screenshot.sh [FILE]      (default docs/main-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/main-window.png}
mkdir -p "$(dirname "$out")"
scripts/deps.sh >&2
cmake --preset default >/dev/null
cmake --build --preset default --target vordana coder >&2
# The window's own texts unless VORDANA_LANG says otherwise (VORDANA_LANG=en: the English ones).
VORDANA_LANG=${VORDANA_LANG:-zh} \
  xvfb-run -a -s "-screen 0 1280x800x24" build/vordana --screenshot "$(realpath -m "$out")"
echo "saved $out"
