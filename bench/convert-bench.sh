#!/usr/bin/env bash
# Compares `vordana --convert` with plain ffmpeg on the same inputs and the same settings
# (128 kbit/s, 44100 Hz, stereo), alternating the two in one run so that both see the same
# machine. Four comparisons, each run once per round:
#   long     the 180 s file, --jobs 1 against one ffmpeg                 ratio <= 1.02
#   batch1   the short fixtures, --jobs 1 against a sequential ffmpeg loop
#                                                   ratio <= 1.02 and overhead <= 60 ms per file
#   batchN   the short fixtures, default jobs against `xargs -P $(nproc)` ffmpeg   ratio <= 1.05
#   long2    two copies of the 180 s file, default jobs against `xargs -P $(nproc)` ratio <= 1.03
# Odd rounds run vordana first, even rounds ffmpeg first, so neither gains from going second.
# Prints every round, then the medians, the ratio of the medians and the median of the paired
# (same-round) ratios; the verdict uses the paired median, the figure least moved by drift.
#   bench/convert-bench.sh [ROUNDS]     (default 8; a round takes about 18 s on 2 idle cores)
# Exit status 0 even when a target is missed (the figures are noisy on a busy machine); 1 when
# a run failed or produced the wrong number of files.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-8}
[[ $rounds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [ROUNDS]" >&2; exit 2; }
fixtures=${VORDANA_FIXTURES:-../shared/fixtures}
fixtures=$(cd "$fixtures" && pwd)
long="$fixtures/bench/long-180s-44k-stereo-c4000.ape"
shortdir="$fixtures/ape"
shortnames=(tone-44k-stereo-16bit-c2000.ape speech-22k-mono-16bit-c1000.ape
            music-48k-stereo-24bit-c3000.ape music-44k-stereo-16bit-c4000.ape
            music-44k-stereo-16bit-c5000.ape "my song.live.2010.ape" "月亮代表我的心.ape"
            tagged-44k-stereo.ape tone.wav)
cores=$(nproc)  # the CPUs this process may use: what vordana's default --jobs counts too

scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vordana coder >/dev/null
vordana=$PWD/build/vordana

started=$SECONDS
load_start=$(cut -d' ' -f1-3 /proc/loadavg)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Two copies of the long file under different names, so that the two outputs never collide.
mkdir "$work/long2"
long2names=(long-a.ape long-b.ape)
for n in "${long2names[@]}"; do cp "$long" "$work/long2/$n"; done

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

# Every input set is a folder and a list of names in it; the tools get "$dir/$name".
set_inputs() {  # KIND
  case $1 in
    long)          indir=$(dirname "$long"); names=("$(basename "$long")") ;;
    batch1|batchN) indir=$shortdir; names=("${shortnames[@]}") ;;
    long2)         indir=$work/long2; names=("${long2names[@]}") ;;
  esac
}

run_vordana() {  # OUTDIR JOBS(0 = default) -- uses indir, names
  local out=$1 jobs=$2 paths=() n
  for n in "${names[@]}"; do paths+=("$indir/$n"); done
  local j=(); [ "$jobs" -gt 0 ] && j=(--jobs "$jobs")
  "$vordana" --convert "${j[@]}" --bitrate 128 --rate 44100 --channels 2 --output "$out" \
    "${paths[@]}" >"$work/vordana.out" 2>"$work/vordana.err" || {
      echo "vordana failed (exit $?):" >&2; cat "$work/vordana.err" >&2; exit 1; }
}
run_ffmpeg_loop() {  # OUTDIR
  local out=$1 i=0 n
  for n in "${names[@]}"; do
    i=$((i + 1))
    ffmpeg -nostdin -y -i "$indir/$n" -vn -ar 44100 -ab 128k -ac 2 "$out/$i.mp3" >/dev/null 2>&1
  done
}
# As many ffmpeg at a time as there are cores. xargs starts ffmpeg itself (no shell in between),
# from the input folder so that the output name can be built from the input name.
run_ffmpeg_parallel() {  # OUTDIR
  local out=$1
  (cd "$indir" && printf '%s\0' "${names[@]}" |
     xargs -0 -P "$cores" -I{} ffmpeg -nostdin -y -i {} -vn -ar 44100 -ab 128k -ac 2 "$out/{}.mp3" \
       >/dev/null 2>&1)
}

# After the timed runs: both made one MP3 per input, and vordana's standard output holds only
# results ("done: IN -> OUT" per file and the "converted N, failed 0" summary).
unexpected_stdout=0
check_outputs() {  # KIND
  local want=${#names[@]} d got
  for d in v f; do
    got=$(find "$work/$d" -maxdepth 1 -type f -name '*.mp3' | wc -l)
    if [ "$got" -ne "$want" ]; then
      echo "$1: $d made $got MP3 files, expected $want" >&2; ls -la "$work/$d" >&2; exit 1
    fi
  done
  local other
  other=$(grep -Ev '^(done: .* -> .*|converted [0-9]+, failed 0)$' "$work/vordana.out" || true)
  if [ -n "$other" ] && [ "$unexpected_stdout" -eq 0 ]; then
    unexpected_stdout=1
    echo "note: unexpected lines on vordana's standard output ($1):"; echo "$other" | head -5
  fi
}

kinds=(long batch1 batchN long2)
declare -A tv tf  # KIND -> space-separated times in ms, one per round
for r in $(seq "$rounds"); do
  line="round $r:"
  for kind in "${kinds[@]}"; do
    set_inputs "$kind"
    case $kind in
      long|batch1) vj=1; fcmd=run_ffmpeg_loop ;;
      *)           vj=0; fcmd=run_ffmpeg_parallel ;;
    esac
    rm -rf "$work"/v "$work"/f; mkdir -p "$work"/v "$work"/f
    if [ $((r % 2)) -eq 1 ]; then
      t0=$(now); run_vordana "$work/v" "$vj"; t1=$(now)
      $fcmd "$work/f"; t2=$(now)
      a=$(ms "$t0" "$t1"); b=$(ms "$t1" "$t2")
    else
      t0=$(now); $fcmd "$work/f"; t1=$(now)
      run_vordana "$work/v" "$vj"; t2=$(now)
      b=$(ms "$t0" "$t1"); a=$(ms "$t1" "$t2")
    fi
    check_outputs "$kind"
    tv[$kind]+=" $a"; tf[$kind]+=" $b"
    line+=" $kind v ${a} f ${b} ms;"
  done
  echo "$line"
done
rm -rf "$work"/v "$work"/f

source bench/stats.sh
paired() {  # KIND AWK-EXPRESSION(a = vordana ms, b = ffmpeg ms, n = files) -> median per round
  paired_median "${tv[$1]}" "${tf[$1]}" "$2" "$3"
}

load_end=$(cut -d' ' -f1-3 /proc/loadavg)
echo
echo "$rounds rounds, $cores cores (vordana's default jobs = $cores), load average at start $load_start, at end $load_end"
echo "verdict from the median of paired ratios (each round's two runs side by side)"
printf '%-62s %9s %9s %7s %7s  %s\n' "" "vordana" "ffmpeg" "ratio" "paired" "target"
label() {
  case $1 in
    long)   echo "long file 180 s, --jobs 1 vs ffmpeg" ;;
    batch1) echo "short batch (${#shortnames[@]} files), --jobs 1 vs sequential ffmpeg loop" ;;
    batchN) echo "short batch (${#shortnames[@]} files), default jobs vs xargs -P $cores" ;;
    long2)  echo "two long files, default jobs vs xargs -P $cores" ;;
  esac
}
declare -A target=([long]=1.02 [batch1]=1.02 [batchN]=1.05 [long2]=1.03)
for kind in "${kinds[@]}"; do
  mv=$(median <<<"${tv[$kind]}"); mf=$(median <<<"${tf[$kind]}")
  ratio=$(awk -v a="$mv" -v b="$mf" 'BEGIN{printf "%.3f", a/b}')
  pr=$(paired "$kind" 'a/b' 1)
  printf '%-62s %6s ms %6s ms %7s %7.3f  <= %s %s\n' "$(label "$kind")" "$mv" "$mf" "$ratio" "$pr" \
    "${target[$kind]}" "$(verdict "$pr" "${target[$kind]}")"
done
n=${#shortnames[@]}
mv=$(median <<<"${tv[batch1]}"); mf=$(median <<<"${tf[batch1]}")
po=$(paired batch1 '(a-b)/n' "$n")
printf '%-62s %19s %7.1f %7.1f  <= 60 ms %s\n' "short batch, --jobs 1: overhead per file (ms)" "" \
  "$(awk -v a="$mv" -v b="$mf" -v n="$n" 'BEGIN{print (a-b)/n}')" "$po" "$(verdict "$po" 60)"
echo "took $((SECONDS - started)) s (after the build)"
