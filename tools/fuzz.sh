#!/usr/bin/env bash
# Builds the sanitized fuzzers and runs each for the given seconds (default 60), starting from the
# seed corpus in tests/fuzz/corpus; what they find new is kept under build/sanitize/corpus. Fails
# on the first finding, whose input libFuzzer writes to build/sanitize/findings.
#   tools/fuzz.sh          a minute per harness, as the test command runs it
#   tools/fuzz.sh 3600     an hour per harness
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
mkdir -p build/sanitize/findings
for harness in parse report child_command_line; do
  corpus="build/sanitize/corpus/$harness"
  mkdir -p "$corpus"
  log="build/sanitize/findings/$harness.log"
  if ! "build/sanitize/tests/fuzz/${harness}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix=build/sanitize/findings/ "$corpus" "tests/fuzz/corpus/$harness" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz: $harness found a fault; the input is in build/sanitize/findings" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz: $harness ran $runs inputs in $seconds s, no finding"
done
