#!/usr/bin/env bash
# Installs what is missing, builds, and runs Vordana with the given arguments
# (for example: ./run.sh --convert --output ~/mp3 ~/music).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh >&2
cmake --preset default >/dev/null
cmake --build --preset default --target vordana coder >&2
exec build/vordana "$@"
