# Sourced by the scripts that run Windows programs under Wine: a private prefix under the build
# folder, no Wine debug noise, no offers to install Mono or Gecko, windows that Xvfb (which has no
# window manager) need not wait for, and the device double installed as the system's dxva2.dll
# and powrprof.dll and preferred over Wine's own.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX_GLOWTIDE:-$root/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="dxva2=n;powrprof=n;mscoree=;mshtml=;winemenubuilder.exe="

# Runs a command on the current display, or on a private Xvfb when there is none.
with_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  fi
}

prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    with_display wineboot --init >/dev/null 2>&1 || true
    # Unmanaged windows: without a window manager Wine would wait for one at every message box.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Glowtide takes dxva2.dll and powrprof.dll from the system directory only, so that is where the
  # doubles go.
  cp "$root/build/windows/double/dxva2.dll" "$root/build/windows/double/powrprof.dll" \
    "$WINEPREFIX/drive_c/windows/system32/"
}
