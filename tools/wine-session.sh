#!/usr/bin/env bash
# Sourced by the run scripts: one Xvfb display and one persistent wineserver for
# the whole run, since every Wine start that has to bring them up costs seconds.
# The Wine settings themselves (debug channels, DLL overrides) live in
# wine-run.sh alone, which every Wine start goes through.
export SNIPLEAF_BUILD_DIR="$root/build/mingw"
export WINEPREFIX="$SNIPLEAF_BUILD_DIR/wineprefix"
wineServer=/usr/lib/wine/wineserver64
[ -x "$wineServer" ] || wineServer=$(command -v wineserver)
xvfbPid=
# SNIPLEAF_KEEP_DISPLAY=1 keeps the person's own display (the main job's
# messenger); everything else runs on a display of its own.
if [ "${SNIPLEAF_KEEP_DISPLAY:-}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and writes its number once it accepts
    # connections, so parallel runs never share one and nobody polls for it.
    displayFile=$(mktemp)
    # -noreset: the keyboard layout set below stays when the last client goes.
    Xvfb -displayfd 3 -screen 0 "${SNIPLEAF_SCREEN:-1280x1024x24}" -nolisten tcp -noreset 3>"$displayFile" >/dev/null 2>&1 &
    xvfbPid=$!
    for _ in $(seq 100); do [ -s "$displayFile" ] && break; sleep 0.05; done
    display="$(head -n1 "$displayFile")"
    rm -f "$displayFile"
    if [ -z "$display" ]; then
        echo "Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$display"
    # A Polish user's keyboard, set before Wine starts, as theirs is: its right
    # Alt is AltGr (ś on S), which the keyboard tests type through xdotool.
    setxkbmap pl 2>/dev/null || echo "setxkbmap is missing: tools/setup.sh installs it" >&2
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
