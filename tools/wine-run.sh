#!/usr/bin/env bash
# Runs a Windows executable under Wine with the project's own prefix (inside the
# build folder, made on first use) so nothing depends on the user's Wine set-up.
# CTest calls this as its cross-compiling emulator; tools/run-tests.sh starts one
# Xvfb display and one wineserver for the whole run, and without them this script
# makes its own display.
set -euo pipefail
exe="$1"
buildDir="${SNIPLEAF_BUILD_DIR:-$(cd "$(dirname "$exe")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$buildDir/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
# Wine maps file names through the Unix locale: with none set, a name such as
# "ucięty.png" cannot be made at all. C.UTF-8 is on every Debian machine.
if [ -z "${LC_ALL:-}${LC_CTYPE:-}${LANG:-}" ]; then
    export LANG=C.UTF-8
fi
# Wine draws the title bars' buttons in the Marlett font, which this Wine does
# not look for where Debian's fonts-wine puts it; without it they read "0 1 r".
# The prefix gets a copy once its Fonts folder exists (after its first start).
fontsDir="$WINEPREFIX/drive_c/windows/Fonts"
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -d "$fontsDir" ] && [ ! -e "$fontsDir/marlett.ttf" ] && [ -e "$marlett" ]; then
    cp "$marlett" "$fontsDir/"
fi
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
exec "$wine" "$@"
