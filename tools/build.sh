#!/usr/bin/env bash
# Builds Glowtide.exe and the end-to-end suite with the mingw-w64 cross compiler. Configuring each
# time stamps the exe with the last commit's time (cmake/windows.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows
