#!/usr/bin/env bash
# Sourced by the run scripts: one Xvfb display and one persistent wineserver for
# the whole run, since every Wine start that has to bring them up costs seconds.
export SNIPLEAF_BUILD_DIR="$root/build/mingw"
export WINEPREFIX="$SNIPLEAF_BUILD_DIR/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wineServer=/usr/lib/wine/wineserver64
[ -x "$wineServer" ] || wineServer=$(command -v wineserver)
xvfbPid=
# SNIPLEAF_KEEP_DISPLAY=1 keeps the person's own display (the main job's
# messenger); everything else runs on a display of its own.
if [ "${SNIPLEAF_KEEP_DISPLAY:-}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    display=":$((90 + RANDOM % 400))"
    Xvfb "$display" -screen 0 "${SNIPLEAF_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
    xvfbPid=$!
    export DISPLAY="$display"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
"$wineServer" -p 2>/dev/null || true
wineSessionEnd() {
    "$wineServer" -k 2>/dev/null || true
    [ -z "$xvfbPid" ] || kill "$xvfbPid" 2>/dev/null || true
}
trap wineSessionEnd EXIT
# Wine's background services start with the first program of a session and
# keep its output open; they are started here, on /dev/null, so CTest does not
# wait for them to close a test's output. A new prefix is also made here once.
"$root/tools/wine-run.sh" wineboot.exe >/dev/null 2>&1 </dev/null || true
# On a display of our own there is no window manager: Wine would wait two
# seconds at every framed window's destroy for a withdrawal that never comes,
# and nobody would draw the title bars. Unmanaged, Wine does both itself. On a
# person's desktop the window manager is left to manage.
x11Key='HKCU\Software\Wine\X11 Driver'
if [ -n "$xvfbPid" ]; then
    "$root/tools/wine-run.sh" reg.exe add "$x11Key" /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
else
    "$root/tools/wine-run.sh" reg.exe delete "$x11Key" /v Managed /f >/dev/null 2>&1 </dev/null || true
fi
