#!/usr/bin/env bash
# Runs a test executable under Wine on two side-by-side monitors of different
# sizes: Xephyr with Xinerama and without RandR, nested in an Xvfb of its own,
# gives Wine a 1280 x 1024 primary and a 1024 x 768 secondary on its right.
# A Wine prefix of its own (made once, beside the build's) keeps its monitors
# apart from the session of the other tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
shift
buildDir="$(cd "$(dirname "$exe")/.." && pwd)"
export WINEPREFIX="$buildDir/wineprefix-two-monitors"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wineServer=/usr/lib/wine/wineserver64
[ -x "$wineServer" ] || wineServer=$(command -v wineserver)

waitForDisplay() {
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$1" ] && return 0; sleep 0.05; done
    echo "display :$1 did not come up" >&2
    return 1
}
# Two free display numbers next to each other.
outer=$((500 + RANDOM % 400 * 2))
while [ -e "/tmp/.X11-unix/X$outer" ] || [ -e "/tmp/.X11-unix/X$((outer + 1))" ]; do outer=$((outer + 2)); done
inner=$((outer + 1))
xvfbPid=
xephyrPid=
finish() {
    "$wineServer" -k 2>/dev/null || true
    [ -z "$xephyrPid" ] || kill "$xephyrPid" 2>/dev/null || true
    [ -z "$xvfbPid" ] || kill "$xvfbPid" 2>/dev/null || true
}
trap finish EXIT
Xvfb ":$outer" -screen 0 2400x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfbPid=$!
waitForDisplay "$outer"
DISPLAY=":$outer" Xephyr ":$inner" +xinerama -extension RANDR -screen 1280x1024x24 -screen 1024x768x24 \
    -nolisten tcp >/dev/null 2>&1 &
xephyrPid=$!
waitForDisplay "$inner"
export DISPLAY=":$inner"
"$wineServer" -p 2>/dev/null || true
"$root/tools/wine-run.sh" wineboot.exe >/dev/null 2>&1 </dev/null || true
# Unmanaged, as in the other tests' session: no window manager runs here.
"$root/tools/wine-run.sh" reg.exe add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
cd "$(dirname "$exe")"
"$root/tools/wine-run.sh" "$exe" "$@"
