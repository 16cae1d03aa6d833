#!/usr/bin/env bash
# Runs every test, fit to run after each change (about 25 s warm on two cores): the native unit
# tests, the same with sanitizers, the fuzzers over their seeds and then for a few seconds each,
# the built image read back with the toolchain's objdump, and the end-to-end suite under Wine on
# Xvfb. tools/fuzz.sh SECONDS fuzzes for longer.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
tools/setup.sh

echo "== Glowtide.exe and the end-to-end suite, built with mingw-w64"
tools/build.sh
source tools/wine_env.sh
prepare_prefix
# The checks that wait on time (a game's settle time, the -PWT: grace, a held lock that would hold
# up every other counted launch for 10 s) start first and run beside everything below, under a
# Wine prefix (and so a shared lock) of their own.
timed_prefix="$WINEPREFIX-timed"
WINEPREFIX="$timed_prefix" prepare_prefix
(export WINEPREFIX="$timed_prefix" && with_display wine build/windows/glowtide_e2e.exe --timed) \
  >build/timed.log 2>&1 &
timed=$!
trap 'kill "$timed" 2>/dev/null || true; WINEPREFIX="$timed_prefix" wineserver -k 2>/dev/null || true' EXIT

echo "== unit tests (native)"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

echo "== unit tests with AddressSanitizer and UndefinedBehaviorSanitizer, then fuzzing"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize
tools/fuzz.sh 3

echo "== the image: what the toolchain reads of Glowtide.exe"
image=build/windows/Glowtide.exe
header=$(TZ=UTC x86_64-w64-mingw32-objdump -p "$image")
failed=0
expect() {  # what, expected, actual
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected \"$2\", got \"$3\""; failed=1; fi
}
expect "a 64-bit x86 image" "pei-x86-64" "$(sed -n 's/.*file format //p' <<<"$header" | head -1)"
expect "the GUI subsystem, so that no console opens" "00000002" \
  "$(awk '$1 == "Subsystem" {print $2}' <<<"$header")"
# DLLs that Windows always takes from System32 (advapi32 among the known DLLs); dxva2 and
# powrprof are loaded at run time.
expect "imports system DLLs only" "advapi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll" \
  "$(sed -n 's/.*DLL Name: //p' <<<"$header" | tr 'A-Z' 'a-z' | sort | xargs)"
expect "the time stamp is the last commit's" \
  "$(TZ=UTC date -d "@$(git log -1 --format=%ct)" '+%a %b %e %H:%M:%S %Y')" \
  "$(sed -n 's/^Time\/Date\t*//p' <<<"$header")"
size=$(stat -c %s "$image")
echo "info Glowtide.exe is $size bytes"
expect "at most 128 KiB (131072 bytes)" "yes" "$([ "$size" -le 131072 ] && echo yes || echo "no, $size")"
[ "$failed" -eq 0 ]

echo "== end-to-end suite (Glowtide.exe under Wine)"
status=0
with_display wine build/windows/glowtide_e2e.exe || status=1
if ! wait "$timed"; then
  # Wine now and then fails to start a program at all in a prefix it has just made ("could not
  # load kernel32.dll"), before any check has run: that is the environment's, and they run again.
  if grep -q '^\[ RUN' build/timed.log; then
    status=1
  else
    (export WINEPREFIX="$timed_prefix" && with_display wine build/windows/glowtide_e2e.exe --timed) \
      >build/timed.log 2>&1 || status=1
  fi
fi
echo "== the checks that wait on time, beside the others"
cat build/timed.log
wineserver -k 2>/dev/null || true
[ "$status" -eq 0 ]
# The size of the tests against all the code: every source line under tests/ (cases, fake,
# doubles, harness, child, fuzzers, their CMake lists) against every source line of the repository.
sources='\.(cpp|h|hpp|c|py|sh|cmake|rc|def|in)$|(^|/)CMakeLists\.txt$|^\.ci/run$'
all_lines=$(git ls-files | grep -E "$sources" | xargs cat | wc -l)
test_lines=$(git ls-files tests | grep -E "$sources" | xargs cat | wc -l)
echo "info tests are $test_lines of $all_lines lines of code, $((100 * test_lines / all_lines))% (the aim is at most 33%)"
echo "all tests took $(( $(date +%s) - start )) s"
