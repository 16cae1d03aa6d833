#!/usr/bin/env bash
# Runs every test: the native unit tests, the same with sanitizers, a minute of fuzzing with the
# harnesses side by side, then the end-to-end suite under Wine on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
tools/setup.sh

echo "== unit tests (native)"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

echo "== unit tests with AddressSanitizer and UndefinedBehaviorSanitizer, then fuzzing"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize
tools/fuzz.sh 60

echo "== end-to-end suite (Glowtide.exe under Wine)"
tools/build.sh
source tools/wine_env.sh
prepare_prefix
with_display wine build/windows/glowtide_e2e.exe
wineserver -k 2>/dev/null || true
echo "all tests took $(( $(date +%s) - start )) s"
