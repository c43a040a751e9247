#!/usr/bin/env bash
# Compares `vordana --convert` with a plain ffmpeg loop on the same inputs, alternating the two
# in one run so that both see the same machine. Prints the median times, the ratio on the long
# file and the overhead per file on the batch of short fixtures.
#   bench/convert-bench.sh [ROUNDS]     (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-10}
fixtures=${VORDANA_FIXTURES:-../shared/fixtures}
long="$fixtures/bench/long-180s-44k-stereo-c4000.ape"
short=()
for f in tone-44k-stereo-16bit-c2000.ape speech-22k-mono-16bit-c1000.ape \
         music-48k-stereo-24bit-c3000.ape music-44k-stereo-16bit-c4000.ape \
         music-44k-stereo-16bit-c5000.ape "my song.live.2010.ape" "月亮代表我的心.ape" \
         tagged-44k-stereo.ape tone.wav; do
  short+=("$fixtures/ape/$f")
done

scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vordana coder >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

run_vordana() {  # OUTDIR FILES...
  local out=$1; shift
  build/vordana --convert --bitrate 128 --rate 44100 --channels 2 --output "$out" "$@" >/dev/null
}
run_ffmpeg() {  # OUTDIR FILES...
  local out=$1; shift
  local i=0
  for f in "$@"; do
    i=$((i + 1))
    ffmpeg -nostdin -y -i "$f" -vn -ar 44100 -ab 128k -ac 2 "$out/$i.mp3" >/dev/null 2>&1
  done
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

declare -a vl fl vs fs
for r in $(seq "$rounds"); do
  for kind in long short; do
    if [ $kind = long ]; then files=("$long"); else files=("${short[@]}"); fi
    rm -rf "$work"/v "$work"/f; mkdir -p "$work"/v "$work"/f
    # Odd rounds run vordana first, even rounds ffmpeg first, so neither gains from going second.
    if [ $((r % 2)) -eq 1 ]; then
      t0=$(now); run_vordana "$work/v" "${files[@]}"; t1=$(now)
      run_ffmpeg "$work/f" "${files[@]}"; t2=$(now)
      tv=$(ms "$t0" "$t1"); tf=$(ms "$t1" "$t2")
    else
      t0=$(now); run_ffmpeg "$work/f" "${files[@]}"; t1=$(now)
      run_vordana "$work/v" "${files[@]}"; t2=$(now)
      tf=$(ms "$t0" "$t1"); tv=$(ms "$t1" "$t2")
    fi
    if [ $kind = long ]; then vl+=("$tv"); fl+=("$tf"); else vs+=("$tv"); fs+=("$tf"); fi
  done
  echo "round $r: long vordana ${vl[-1]} ms, ffmpeg ${fl[-1]} ms; batch vordana ${vs[-1]} ms, ffmpeg ${fs[-1]} ms"
done

mvl=$(printf '%s\n' "${vl[@]}" | median); mfl=$(printf '%s\n' "${fl[@]}" | median)
mvs=$(printf '%s\n' "${vs[@]}" | median); mfs=$(printf '%s\n' "${fs[@]}" | median)
n=${#short[@]}
# Paired figures: each round's two runs are next to each other, so the ratio (or difference)
# within a round is less disturbed by the machine's drift than the ratio of the medians.
pr=$(for i in "${!vl[@]}"; do awk -v a="${vl[$i]}" -v b="${fl[$i]}" 'BEGIN{printf "%.4f\n", a/b}'; done | median)
pd=$(for i in "${!vs[@]}"; do awk -v a="${vs[$i]}" -v b="${fs[$i]}" -v n="$n" 'BEGIN{printf "%.1f\n", (a-b)/n}'; done | median)
echo
echo "long file (180 s):   vordana median ${mvl} ms, ffmpeg median ${mfl} ms, ratio of medians $(awk -v a="$mvl" -v b="$mfl" 'BEGIN{printf "%.3f", a/b}'), median of paired ratios ${pr} (target <= 1.02)"
echo "short batch ($n files): vordana median ${mvs} ms, ffmpeg median ${mfs} ms, overhead $(awk -v a="$mvs" -v b="$mfs" -v n="$n" 'BEGIN{printf "%.1f", (a-b)/n}') ms per file, median of paired overheads ${pd} ms per file (target <= 60)"
