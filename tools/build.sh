#!/usr/bin/env bash
# Builds Glowtide.exe and the end-to-end suite with the mingw-w64 cross compiler. The exe takes its
# time stamp from the last commit, so that the same commit always gives the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
  export SOURCE_DATE_EPOCH
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
fi
cmake --preset windows >/dev/null
cmake --build --preset windows
