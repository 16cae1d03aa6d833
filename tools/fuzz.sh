#!/usr/bin/env bash
# Builds the sanitized fuzzers and runs the four side by side, each for the given seconds (default
# 60): each first replays the seed corpus in tests/fuzz/corpus and what earlier runs found under
# build/sanitize/corpus, then fuzzes. Fails on the first finding, whose input libFuzzer writes to
# build/sanitize/findings.
#   tools/fuzz.sh 3        the seeds and three seconds each, as the test command runs it
#   tools/fuzz.sh 3600     an hour each: before a release, and after changing the parser, the
#                          report's formatter or the child's command line
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
pids=()
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
mkdir -p build/sanitize/findings
# The harnesses run side by side, each for the whole time.
harnesses=(parse report child_command_line record)
for harness in "${harnesses[@]}"; do
  corpus="build/sanitize/corpus/$harness"
  mkdir -p "$corpus"
  "build/sanitize/tests/fuzz/${harness}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build/sanitize/findings/ "$corpus" "tests/fuzz/corpus/$harness" \
    >"build/sanitize/findings/$harness.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!harnesses[@]}"; do
  harness="${harnesses[$i]}"
  log="build/sanitize/findings/$harness.log"
  if ! wait "${pids[$i]}"; then
    tail -n 40 "$log"
    echo "fuzz: $harness found a fault; the input is in build/sanitize/findings" >&2
    failed=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz: $harness ran $runs inputs in $seconds s, no finding"
done
exit "$failed"
