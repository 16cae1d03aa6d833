#!/usr/bin/env bash
# Installs what building and testing Glowtide needs on Debian, and only what is missing:
# the native toolchain with GoogleTest (whose source the cross-built suite is built with too) and
# nlohmann/json (the tests read the JSON report with it),
# clang with its sanitizers and libFuzzer, Python (it splits the icon into resources), the
# mingw-w64 cross compiler, Wine and Xvfb.
set -euo pipefail

needed=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || needed+=(cmake)
have python3 || needed+=(python3)
have ninja || needed+=(ninja-build)
have g++ || needed+=(g++)
[ -f /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake ] || needed+=(libgtest-dev)
[ -f /usr/include/nlohmann/json.hpp ] || needed+=(nlohmann-json3-dev)
have clang++ || needed+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
  needed+=(libclang-rt-dev)
have x86_64-w64-mingw32-g++-posix || needed+=(g++-mingw-w64-x86-64-posix)
have x86_64-w64-mingw32-windres || needed+=(binutils-mingw-w64-x86-64)
have wine || needed+=(wine)
[ -x /usr/lib/wine/wine64 ] || needed+=(wine64)
have xvfb-run || needed+=(xvfb xauth)

if [ ${#needed[@]} -gt 0 ]; then
  echo "setup: installing ${needed[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${needed[@]}" >/dev/null
fi
