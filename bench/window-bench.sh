#!/usr/bin/env bash
# The window converting a 12-file album (12 copies of the 180 s benchmark file) to MP3 with its
# default settings, driven headless (QT_QPA_PLATFORM=offscreen) by the tests' window_driver.
# Three runs per round, each timed from the start of its process to its end (the last output is
# published before the run ends):
#   windowN   the window with its default files at once (the cores this process may use)
#   window1   the window one file at a time
#   cli1      `vordana --convert -j 1` on the same files (the same MP3 defaults)
# Targets: windowN / window1 <= 0.60 (several files at once pay off), window1 / cli1 <= 1.05
# (the window's own overhead). Odd rounds run windowN, window1, cli1; even rounds the reverse,
# so no run gains from its place. Prints every round, the medians and the median of the paired
# (same-round) ratios, which the verdict uses.
#   bench/window-bench.sh [ROUNDS] [FILES]    (default 5 rounds of 12 files; a round takes about
#                                               2 minutes on 2 idle cores)
# Exit status 0 even when a target is missed (the figures are noisy on a busy machine); 1 when a
# run failed or made the wrong number of files.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
files=${2:-12}
[[ $rounds =~ ^[1-9][0-9]*$ && $files =~ ^[1-9][0-9]*$ ]] ||
  { echo "usage: $0 [ROUNDS] [FILES]" >&2; exit 2; }
fixtures=${VORDANA_FIXTURES:-../shared/fixtures}
fixtures=$(cd "$fixtures" && pwd)
long="$fixtures/bench/long-180s-44k-stereo-c4000.ape"
cores=$(nproc)  # the CPUs this process may use: the window's default files at once

scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vordana coder coder2 conv window_driver >/dev/null
vordana=$PWD/build/vordana
driver=$PWD/build/tests/helpers/window_driver

started=$SECONDS
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The album: one name per track, so the outputs never collide. The window's program folder is a
# fresh one (no setup.ini or options.ini: its defaults) with the build's encoders.
mkdir -p "$work/album" "$work/program/data"
inputs=()
for i in $(seq -w 1 "$files"); do
  cp "$long" "$work/album/track-$i.ape"
  inputs+=("$work/album/track-$i.ape")
done
cp build/data/coder build/data/coder2 build/data/conv "$work/program/data/"

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

run_kind() {  # KIND OUTDIR
  case $1 in
    windowN) QT_QPA_PLATFORM=offscreen "$driver" --files-at-once 0 "$work/program" "$2" 0 \
               "${inputs[@]}" ;;
    window1) QT_QPA_PLATFORM=offscreen "$driver" "$work/program" "$2" 0 "${inputs[@]}" ;;
    cli1)    "$vordana" --convert -j 1 -o "$2" "${inputs[@]}" ;;
  esac >"$work/run.out" 2>"$work/run.err" || {
    echo "$1 failed (exit $?):" >&2; cat "$work/run.err" >&2; exit 1; }
  local got
  got=$(find "$2" -maxdepth 1 -type f -name '*.mp3' | wc -l)
  if [ "$got" -ne "$files" ]; then
    echo "$1 made $got MP3 files, expected $files" >&2; ls -la "$2" >&2; exit 1
  fi
}

kinds=(windowN window1 cli1)
declare -A times  # KIND -> space-separated times in ms, one per round
for r in $(seq "$rounds"); do
  order=("${kinds[@]}")
  [ $((r % 2)) -eq 0 ] && order=(cli1 window1 windowN)
  line="round $r:"
  for kind in "${order[@]}"; do
    rm -rf "$work/out"; mkdir "$work/out"
    t0=$(now); run_kind "$kind" "$work/out"; t1=$(now)
    times[$kind]+=" $(ms "$t0" "$t1")"
    line+=" $kind $(ms "$t0" "$t1") ms;"
  done
  echo "$line"
done
rm -rf "$work/out"

source bench/stats.sh

load_end=$(cut -d' ' -f1-3 /proc/loadavg)
echo
echo "$rounds rounds, $files copies of the 180 s file, $cores cores (the window's default files at once = $cores)"
echo "load average at start $load_start, at end $load_end"
for kind in "${kinds[@]}"; do
  printf '%-8s median %7s ms\n' "$kind" "$(median <<<"${times[$kind]}")"
done
for pair in "windowN window1 0.60" "window1 cli1 1.05"; do
  read -r a b target <<<"$pair"
  ratio=$(awk -v x="$(median <<<"${times[$a]}")" -v y="$(median <<<"${times[$b]}")" \
    'BEGIN{printf "%.3f", x/y}')
  pr=$(paired_median "${times[$a]}" "${times[$b]}" 'a/b')
  printf '%-18s ratio of medians %s, paired median %.3f  <= %s %s\n' "$a / $b" "$ratio" "$pr" \
    "$target" "$(verdict "$pr" "$target")"
done
echo "took $((SECONDS - started)) s (after the build)"
