#!/usr/bin/env bash
# Builds Glowtide.exe and runs it under Wine with the arguments given, for example
#   tools/run.sh -SI
# With a display, its boxes appear there. Without one it runs on a private Xvfb, and the driver
# prints each box's caption and text, presses OK for you, and prints the exit code.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh >/dev/null
source tools/wine_env.sh
prepare_prefix
if [ -n "${DISPLAY:-}" ]; then
  set +e
  wine build/windows/Glowtide.exe "$@"
  code=$?
  echo "exit code: $code"
  exit 0
fi
with_display wine build/windows/glowtide_e2e.exe --run "$@"
