#!/usr/bin/env bash
# Times `data/coder` writing FLAC, Ogg Opus, M4A (AAC) and Ogg Vorbis with the program's default
# command lines against plain ffmpeg with the same settings, on the 180 s bench file, alternating
# the two in one run so that both see the same machine. coder does more than ffmpeg alone: it
# reads the source's tags and writes them with the cover, reads the result back, and for FLAC
# decodes the file while it is written and compares the MD5 of its samples with the one the
# encoder stored in it.
#   flac    coder -c:a flac -compression_level 5              vs  ffmpeg -i x.ape x.flac
#   opus    coder -ar 48000 -c:a libopus -b:a 160k            vs  ffmpeg ... -c:a libopus -b:a 160k
#   aac     coder -c:a aac -b:a 256k                          vs  ffmpeg ... -c:a aac -b:a 256k
#   vorbis  coder -c:a libvorbis -q:a 6                       vs  ffmpeg ... -c:a libvorbis -q:a 6
# Target for each: coder <= 1.05 x ffmpeg. Odd rounds run coder first, even rounds ffmpeg first.
# Prints every round, then the medians, the ratio of the medians and the median of the paired
# (same-round) ratios; the verdict uses the paired median, the figure least moved by drift.
#   bench/formats-bench.sh [ROUNDS]     (default 8; a round takes about 20 s on 2 idle cores)
# Exit status 0 even when a target is missed (the figures are noisy on a busy machine); 1 when
# a run failed or wrote no file.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-8}
[[ $rounds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [ROUNDS]" >&2; exit 2; }
fixtures=${VORDANA_FIXTURES:-../shared/fixtures}
fixtures=$(cd "$fixtures" && pwd)
long="$fixtures/bench/long-180s-44k-stereo-c4000.ape"

scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target coder >/dev/null
coder=$PWD/build/data/coder

started=$SECONDS
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

kinds=(flac opus aac vorbis)
declare -A extension=([flac]=flac [opus]=opus [aac]=m4a [vorbis]=ogg)
declare -A coder_options=([flac]="-c:a flac -compression_level 5"
                          [opus]="-ar 48000 -c:a libopus -b:a 160k"
                          [aac]="-c:a aac -b:a 256k" [vorbis]="-c:a libvorbis -q:a 6")
declare -A ffmpeg_options=([flac]="" [opus]="-c:a libopus -b:a 160k" [aac]="-c:a aac -b:a 256k"
                           [vorbis]="-c:a libvorbis -q:a 6")

run_coder() {  # KIND
  local out="$work/c.${extension[$1]}"
  # shellcheck disable=SC2086  # the options are words
  "$coder" -i "$long" -y -vn ${coder_options[$1]} "$out" >"$work/coder.out" || {
    echo "coder failed (exit $?) for $1:" >&2; tail -5 "$work/coder.out" >&2; exit 1; }
  [ -s "$out" ] || { echo "coder wrote no $out" >&2; exit 1; }
}
run_ffmpeg() {  # KIND
  local out="$work/f.${extension[$1]}"
  # shellcheck disable=SC2086
  ffmpeg -nostdin -y -i "$long" ${ffmpeg_options[$1]} "$out" >/dev/null 2>&1 || {
    echo "ffmpeg failed for $1" >&2; exit 1; }
}

declare -A tc tf  # KIND -> space-separated times in ms, one per round
for r in $(seq "$rounds"); do
  line="round $r:"
  for kind in "${kinds[@]}"; do
    rm -f "$work"/c.* "$work"/f.*
    if [ $((r % 2)) -eq 1 ]; then
      t0=$(now); run_coder "$kind"; t1=$(now); run_ffmpeg "$kind"; t2=$(now)
      a=$(ms "$t0" "$t1"); b=$(ms "$t1" "$t2")
    else
      t0=$(now); run_ffmpeg "$kind"; t1=$(now); run_coder "$kind"; t2=$(now)
      b=$(ms "$t0" "$t1"); a=$(ms "$t1" "$t2")
    fi
    tc[$kind]+=" $a"; tf[$kind]+=" $b"
    line+=" $kind c $a f $b ms;"
  done
  echo "$line"
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
paired() {  # KIND -> median of the rounds' coder/ffmpeg ratios
  local -a A B; read -ra A <<<"${tc[$1]}"; read -ra B <<<"${tf[$1]}"
  local i; for i in "${!A[@]}"; do
    awk -v a="${A[$i]}" -v b="${B[$i]}" 'BEGIN{printf "%.4f ", a/b}'
  done | median
}

load_end=$(cut -d' ' -f1-3 /proc/loadavg)
echo
echo "$rounds rounds, $(nproc) cores, load average at start $load_start, at end $load_end"
echo "verdict from the median of paired ratios (each round's two runs side by side)"
printf '%-58s %9s %9s %7s %7s  %s\n' "" "coder" "ffmpeg" "ratio" "paired" "target"
for kind in "${kinds[@]}"; do
  mc=$(median <<<"${tc[$kind]}"); mf=$(median <<<"${tf[$kind]}")
  ratio=$(awk -v a="$mc" -v b="$mf" 'BEGIN{printf "%.3f", a/b}')
  pr=$(paired "$kind")
  verdict=$(awk -v x="$pr" 'BEGIN{print (x <= 1.05 ? "ok" : "MISSED")}')
  printf '%-58s %6s ms %6s ms %7s %7.3f  <= 1.05 %s\n' \
    "$kind: coder ${coder_options[$kind]}" "$mc" "$mf" "$ratio" "$pr" "$verdict"
done
echo "took $((SECONDS - started)) s (after the build)"
