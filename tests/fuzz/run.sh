#!/usr/bin/env bash
# Runs every libFuzzer target of build-fuzz/ (./test.sh --fuzz builds them first) for a bounded
# time each: FUZZ_SECONDS, 30 unless set. Each starts from its seeds in tests/fuzz/corpus/NAME/
# and from what earlier runs here kept in build-fuzz/fuzz-corpus/NAME/. The first finding (a
# failed check, a sanitizer report, a crash, an input that takes over 10 s) fails the run; the
# input that did it is saved as build-fuzz/fuzz-findings/NAME-crash-... (or -timeout-, -oom-),
# and the target's whole output is in build-fuzz/fuzz-findings/NAME.log.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-30}
targets=(progress video_progress setup_ini options_file command_line)
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p build-fuzz/fuzz-findings
for name in "${targets[@]}"; do
  corpus=build-fuzz/fuzz-corpus/$name
  log=build-fuzz/fuzz-findings/$name.log
  mkdir -p "$corpus"
  if ! "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/fuzz-findings/$name-" \
      "$corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
    tail -n 80 "$log" >&2
    echo "fuzz_$name: FINDING (the input is in build-fuzz/fuzz-findings/, the output in $log)" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz_$name: ${runs:-?} inputs in $seconds s, no finding"
done
