#!/usr/bin/env bash
# Splitting an album image into its tracks against converting it whole: the 180 s benchmark
# image with a CUE sheet of 10 tracks of 18 s, `vordana --convert` on the sheet (tracks, default
# jobs) and on the image with --no-split, in alternating rounds. Prints both medians and the
# ratio (splitting should cost no more than converting whole).
#   bench/cue-bench.sh [ROUNDS]     (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
fixtures=${VORDANA_FIXTURES:-../shared/fixtures}
image="$fixtures/bench/long-180s-44k-stereo-c4000.ape"

scripts/deps.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target vordana coder >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$(realpath "$image")" "$work/Album.ape"
{
  echo 'PERFORMER "Bench"'
  echo 'TITLE "Bench Album"'
  echo 'FILE "Album.ape" WAVE'
  for t in $(seq 1 10); do
    printf '  TRACK %02d AUDIO\n    TITLE "Part %d"\n    INDEX 01 %02d:%02d:00\n' \
      "$t" "$t" $(( (t - 1) * 18 / 60 )) $(( (t - 1) * 18 % 60 ))
  done
} > "$work/Album.cue"

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
run() {  # OUT ARGS...
  local out=$1; shift
  rm -rf "$out"; mkdir -p "$out"
  build/vordana --convert -q --bitrate 128 --rate 44100 -o "$out" "$@" >/dev/null
}

declare -a split whole
for r in $(seq "$rounds"); do
  if [ $((r % 2)) -eq 1 ]; then
    t0=$(now); run "$work/split" "$work/Album.cue"; t1=$(now)
    run "$work/whole" --no-split "$work/Album.ape"; t2=$(now)
    s=$(( (t1 - t0) / 1000000 )); w=$(( (t2 - t1) / 1000000 ))
  else
    t0=$(now); run "$work/whole" --no-split "$work/Album.ape"; t1=$(now)
    run "$work/split" "$work/Album.cue"; t2=$(now)
    w=$(( (t1 - t0) / 1000000 )); s=$(( (t2 - t1) / 1000000 ))
  fi
  [ "$(ls "$work/split" | wc -l)" -eq 10 ] || { echo "the sheet did not give 10 tracks" >&2; exit 1; }
  split+=("$s"); whole+=("$w")
  echo "round $r: 10 tracks ${s} ms, whole image ${w} ms"
done
ms=$(printf '%s\n' "${split[@]}" | median); mw=$(printf '%s\n' "${whole[@]}" | median)
echo
echo "180 s image: 10 tracks (default jobs, $(nproc) cores) median ${ms} ms, whole median ${mw} ms, ratio $(awk -v a="$ms" -v b="$mw" 'BEGIN{printf "%.3f", a/b}') (target <= 1.00)"
