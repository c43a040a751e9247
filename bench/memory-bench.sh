#!/usr/bin/env bash
# Peak memory of `vordana --convert` on a folder tree of many small files (target: under 100 MB).
#   bench/memory-bench.sh [--files N] [--jobs N] [--seconds S | --all]
#     --files N     files in the tree (default 20000), 100 per folder
#     --jobs N      vordana's --jobs (default: nproc)
#     --seconds S   stop vordana with SIGINT S seconds after its first file started (default 60)
#     --all         let it convert every file instead (20,000 files: about 11 minutes on 2 idle cores)
# All files are hard links of one 0.1 s WAV (17 KB, no space per file) named *.ape: the folder
# scan picks .ape names and the encoder reads by content. Every file has its own name, because
# vordana puts all results into one folder and would otherwise spend time finding free names.
#
# What is measured: vordana's own peak resident set size, VmHWM in /proc/PID/status, read
# every 0.1 s while it runs (VmHWM only grows, so the last value read is the peak up to 0.1 s
# before the process ended; in the --seconds mode, the value read just before SIGINT is
# reported too). Most of the memory is the queue of all files, full once the scan is done
# (before the first encoder starts); the table shows how much converting adds after that.
# GNU time's "Maximum resident set size" is printed as well but is NOT vordana's own figure: it
# comes from wait4(), whose rusage is that of the process together with all the descendants it
# waited for, so it is the largest of vordana, coder and ffmpeg (ffmpeg alone can be ~30 MB).
set -euo pipefail
cd "$(dirname "$0")/.."

files=20000 jobs=$(nproc) seconds=60
while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --all) seconds=0; shift ;;
    *) echo "usage: $0 [--files N] [--jobs N] [--seconds S | --all]" >&2; exit 2 ;;
  esac
done
for v in "$files" "$jobs" "$seconds"; do
  [[ $v =~ ^[0-9]+$ ]] || { echo "$0: not a number: $v" >&2; exit 2; }
done

scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vordana coder >/dev/null
vordana=$PWD/build/vordana

started=$SECONDS
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
work=$(mktemp -d)
vpid="" tpid=""
cleanup() {
  # Only the vordana started here, by its pid; it stops its own encoders.
  if [ -n "$vpid" ] && kill -0 "$vpid" 2>/dev/null; then
    kill -INT "$vpid" 2>/dev/null || true
    wait "$tpid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The tree: one small valid audio file, hard-linked. perl (essential in Debian) makes the links
# without a process per file; a fresh copy of the source every 10,000 links stays far below any
# file system's limit of links per inode.
ffmpeg -v error -nostdin -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=0.1" \
  -ac 2 -c:a pcm_s16le "$work/tiny.wav"
t0=$SECONDS
mkdir "$work/tree"
perl -e '
  my ($src, $root, $n) = @ARGV; my $copy;
  for my $i (0 .. $n - 1) {
    if ($i % 10000 == 0) {
      $copy = "$root/../src-$i.wav";
      system("cp", $src, $copy) == 0 or die "cp failed\n";
    }
    my $d = sprintf("%s/d%03d", $root, int($i / 100));
    -d $d or mkdir $d or die "$d: $!\n";
    link($copy, sprintf("%s/f%05d.ape", $d, $i)) or die "link: $!\n";
  }' "$work/tiny.wav" "$work/tree" "$files"
echo "tree: $files files in $(find "$work/tree" -mindepth 1 -type d | wc -l) folders," \
     "$(du -sk "$work/tree" | cut -f1) KB on disk, made in $((SECONDS - t0)) s"

# /usr/bin/time runs env, which execs vordana (same pid) with SIGINT at its default: a command
# started in the background of a script begins with SIGINT ignored.
/usr/bin/time -v -o "$work/time.txt" env --default-signal=INT \
  "$vordana" --convert --jobs "$jobs" -q -o "$work/out" "$work/tree" \
  >"$work/stdout" 2>"$work/stderr" &
tpid=$!
for _ in $(seq 100); do
  vpid=$(cat "/proc/$tpid/task/$tpid/children" 2>/dev/null || true); vpid=${vpid%% *}
  [ -n "$vpid" ] && break; sleep 0.01
done
[ -n "$vpid" ] || { echo "vordana did not start" >&2; exit 1; }

hwm=0 rss=0 bad_reads=0
alive() {  # vordana exists and is not a zombie
  local st
  { read -r st <"/proc/$vpid/stat"; } 2>/dev/null || return 1
  st=${st##*) }; [ "${st%% *}" != Z ]
}
read_status() {  # sets hwm and rss (kB) from /proc/$vpid/status
  local lines line h="" r=""
  mapfile -t lines <"/proc/$vpid/status" 2>>"$work/status-errors" || true
  for line in "${lines[@]}"; do
    case $line in VmHWM:*) h=${line//[!0-9]/} ;; VmRSS:*) r=${line//[!0-9]/} ;; esac
  done
  if [ -z "$h" ] || [ -z "$r" ]; then bad_reads=$((bad_reads + 1)); return 1; fi
  hwm=$h rss=$r
}
children() { cat /proc/"$vpid"/task/*/children 2>/dev/null | wc -w; }
# Finished files, counted in the output folder: vordana's standard output is a file here, so it
# is block-buffered and its "done:" lines arrive late. vordana creates each result's name empty
# when the file starts, so only non-empty MP3 files count.
done_count() { find "$work/out" -maxdepth 1 -name '*.mp3' -size +0 2>/dev/null | wc -l; }
mb() { awk -v k="$1" 'BEGIN{printf "%.1f MB", k/1024}'; }

t_start=$(date +%s%N)
elapsed() { awk -v a="$t_start" -v b="$(date +%s%N)" 'BEGIN{printf "%.1f", (b-a)/1e9}'; }
phase=scanning scan_s="" scan_hwm="" scan_rss="" conv_t0="" stop_hwm="" stop_rss="" stop_done=""
every=$([ "$seconds" -gt 0 ] && echo 10 || echo 60) next_report=10
printf '%8s  %-11s %10s %10s %8s\n' "time (s)" "phase" "VmRSS" "VmHWM" "MP3s"
# A read that finds no memory lines (it happened now and then on a live process) is skipped;
# the loop ends when vordana has exited.
while alive; do
  read_status || { sleep 0.1; continue; }
  if [ -z "$scan_s" ] && [ "$(children)" -gt 0 ]; then
    scan_s=$(elapsed) scan_hwm=$hwm scan_rss=$rss conv_t0=$SECONDS phase=converting
    printf '%8s  %-11s %10s %10s %8s\n' "$scan_s" "1st encoder" "$(mb "$rss")" "$(mb "$hwm")" 0
  fi
  now_s=$(elapsed)
  if awk -v a="$now_s" -v b="$next_report" 'BEGIN{exit !(a >= b)}'; then
    printf '%8s  %-11s %10s %10s %8s\n' "$now_s" "$phase" \
      "$(mb "$rss")" "$(mb "$hwm")" "$(done_count)"
    next_report=$((next_report + every))
  fi
  if [ -n "$conv_t0" ] && [ "$seconds" -gt 0 ] && [ -z "$stop_hwm" ] &&
     [ $((SECONDS - conv_t0)) -ge "$seconds" ]; then
    read_status || true
    stop_hwm=$hwm stop_rss=$rss stop_done=$(done_count)
    printf '%8s  %-11s %10s %10s %8s\n' "$(elapsed)" "SIGINT" "$(mb "$rss")" "$(mb "$hwm")" "$stop_done"
    kill -INT "$vpid"
  fi
  sleep 0.1
done
rc=0; wait "$tpid" || rc=$?
end_s=$(elapsed)
vpid_done=$vpid; vpid=""

# Anything of this run still alive (an encoder vordana should have stopped)?
left=""
while read -r pid args; do
  [[ $args == *"$work/"* ]] && left+="$pid $args"$'\n'
done < <(ps -eo pid=,args=)

gnu_max=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
echo
echo "vordana (pid $vpid_done) --jobs $jobs on $files files: exit status $rc after $end_s s" \
     "(first encoder after ${scan_s:-?} s); $(grep -c '^done: ' "$work/stdout" || true) files converted," \
     "$(done_count) MP3 files in the output folder"
echo "vordana's own peak (VmHWM):          $(mb "$hwm")   (target < 100 MB: $(
  awk -v k="$hwm" 'BEGIN{print (k < 100*1024 ? "ok" : "MISSED")}'))"
[ -n "$scan_s" ] && echo "  when the first encoder started:    VmHWM $(mb "$scan_hwm"), VmRSS $(mb "$scan_rss")"
if [ -n "$stop_hwm" ]; then
  echo "  just before SIGINT:                VmHWM $(mb "$stop_hwm"), VmRSS $(mb "$stop_rss")," \
       "$stop_done files converted"
  echo "  growth while converting:           $(awk -v a="$stop_rss" -v b="$scan_rss" -v n="$stop_done" \
       'BEGIN{printf "%+.1f MB VmRSS over %d files (%+.2f kB per file)", (a-b)/1024, n, (n ? (a-b)/n : 0)}')"
fi
echo "GNU time, max over vordana and its waited-for children: $(mb "$gnu_max")"
[ -s "$work/stderr" ] && { echo "vordana's standard error (first lines):"; head -5 "$work/stderr"; }
echo "vordana's standard output: $(wc -l <"$work/stdout") lines," \
     "$(grep -c '^done: ' "$work/stdout" || true) 'done:', $(grep -c '^cancelled: ' "$work/stdout" || true) 'cancelled:';" \
     "summary: $(grep -E '^converted [0-9]+' "$work/stdout" || echo none)"
other=$(grep -Ev '^(done: .* -> .*|cancelled: .*|  .*|converted [0-9]+, failed [0-9]+(, cancelled [0-9]+)?)$' \
        "$work/stdout" | head -5 || true)
[ -n "$other" ] && { echo "other lines on vordana's standard output:"; echo "$other"; }
# Files in the output folder that no "done:" line names (a stopped file should leave nothing).
stray=$(comm -23 <(find "$work/out" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | sort) \
                 <(sed -n 's|^done: .* -> .*/||p' "$work/stdout" | sort))
[ -n "$stray" ] && { echo "in the output folder without a 'done:' line:";
                     for f in $stray; do ls -la "$work/out/$f"; done; }
[ "$bad_reads" -gt 0 ] && echo "note: $bad_reads reads of /proc/$vpid_done/status had no memory lines" \
  "$(head -c 300 "$work/status-errors" 2>/dev/null)"
[ -n "$left" ] && { echo "still running after vordana ended:"; echo -n "$left"; }
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg); took $((SECONDS - started)) s (after the build)"
want=$([ "$seconds" -gt 0 ] && echo 130 || echo 0)
[ "$rc" -eq "$want" ] || { echo "expected exit status $want" >&2; exit 1; }
